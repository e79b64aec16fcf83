// Direct range (how many numbers of an edge list get a direct word, from its first lines)
#include "large/direct_range.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "large/edge_fields.h"
#include "large/edge_parser.h"
#include "large/node_index.h"

namespace ugraph {

// Numbers from here on are never direct: a range is at most LAST_INDEX - 1.
inline constexpr std::uint64_t NEVER_DIRECT = LAST_INDEX - 1;

// A word of the table is 4 bytes; a hashed node takes about 16.
inline constexpr std::uint64_t WORD_BYTES = 4;
inline constexpr std::uint64_t WORDS_A_NODE = 4;

// The value of a number field; NEVER_DIRECT for any value from there on.
static std::uint64_t number_value(const Field& field) {
    std::uint64_t value = 0;
    const bool read = read_number(field.begin, field.end, value) == NumberText::number;
    return read ? std::min(value, NEVER_DIRECT) : NEVER_DIRECT;
}

// The ids of the first lines, as far as they read, and their bytes.
struct Sample {
    std::vector<std::uint64_t> ids; // those too large to be direct as NEVER_DIRECT
    std::uint64_t bytes = 0;
};

// Takes the ids of the data line at p; false when the line has no number in
// its first id field, or something else in its second.
static bool see_line(const char* p, const Dialect& d, Sample& sample) {
    const std::vector<Field> fields = fields_of(p, d.separator);
    const bool second = fields.size() > d.second;
    if (fields.size() <= d.first || !is_number_field(fields[d.first]) ||
        (second && !is_number_field(fields[d.second]))) {
        return false;
    }
    sample.ids.push_back(number_value(fields[d.first]));
    if (second) {
        sample.ids.push_back(number_value(fields[d.second]));
    }
    return true;
}

// The sample of the lines of [begin, end), which ends with a newline.
static Sample sample_of(const char* begin, const char* end, const Dialect& d) {
    Sample sample;
    for (const char* p = begin; p < end;) {
        if (is_data_line(p) && !see_line(p, d, sample)) {
            break;
        }
        p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))) + 1;
        sample.bytes = static_cast<std::uint64_t>(p - begin);
    }
    return sample;
}

// The highest id that can be direct, 0 when none can; the ids are sorted,
// and the distinct ones are counted.
static std::uint64_t highest_direct(std::vector<std::uint64_t>& ids, std::uint64_t& distinct) {
    std::sort(ids.begin(), ids.end());
    const auto end = std::unique(ids.begin(), ids.end());
    distinct = static_cast<std::uint64_t>(end - ids.begin());
    const auto below = std::lower_bound(ids.begin(), end, NEVER_DIRECT);
    return below == ids.begin() ? 0 : below[-1];
}

// floor(text * distinct / bytes), without overflow: distinct <= bytes.
static std::uint64_t at_rate(std::uint64_t text, std::uint64_t distinct, std::uint64_t bytes) {
    return text / bytes * distinct + text % bytes * distinct / bytes;
}

std::uint32_t direct_range(const char* begin, const char* end, const Dialect& dialect,
                           std::uint64_t restBytes) {
    const char* last = end;
    while (last > begin && last[-1] != '\n') {
        last--;
    }
    Sample sample = sample_of(begin, last, dialect);
    std::uint64_t distinct = 0;
    const std::uint64_t highest = highest_direct(sample.ids, distinct);
    if (highest < DIRECT_IDS) {
        return DIRECT_IDS;
    }
    const std::uint64_t lowest = sample.ids.front(); // sorted
    const std::uint64_t text = static_cast<std::uint64_t>(end - begin) + restBytes;
    const std::uint64_t paid = std::min(text / WORD_BYTES, NEVER_DIRECT);
    const std::uint64_t nodes = std::min(at_rate(text, distinct, sample.bytes), NEVER_DIRECT);
    const std::uint64_t worth = std::min(paid, WORDS_A_NODE * nodes); // the table's numbers
    const std::uint64_t range = std::min({2 * (highest + 1), lowest + worth, NEVER_DIRECT});
    return worth > highest - lowest ? static_cast<std::uint32_t>(range) : DIRECT_IDS;
}

} // namespace ugraph
