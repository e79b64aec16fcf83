// Data-input save (replaces or adds one graph of the data file, keeping the rest)
#include "editing/data_input_save.h"

#include <cstring>

namespace ugraph {

struct Replacement {
    std::int32_t number;
    const DataInput& loaded;
    const GraphText& text;
};

struct Addition {
    const GraphText& text;
    std::int32_t number; // set by the save
};

// Copies bytes from old to fresh until `count` are copied (all when count is
// negative) or old ends; returns the last byte copied, EOF when none.
static int copy_bytes(std::FILE* old, std::FILE* fresh, long count) {
    int last = EOF;
    for (long copied = 0; count < 0 || copied < count; copied++) {
        const int c = std::getc(old);
        if (c == EOF) {
            break;
        }
        std::putc(c, fresh);
        last = c;
    }
    return last;
}

static void put_text(const GraphText& text, std::FILE* fresh) {
    std::fwrite(text.chars.data(), 1, static_cast<std::size_t>(text.length), fresh);
}

// Finds data-input `number` as the file stands now: start is the place of its
// "[", end the place after its "]". False when it is not the loaded one.
static bool find_loaded(std::FILE* old, const Replacement& r, long& start, long& end) {
    if (old == nullptr || !position_on(old, r.number)) {
        return false;
    }
    start = std::ftell(old) - 1;
    DataInput now{};
    Message refusal{};
    if (!copy_data_input(old, now, refusal) || now.length != r.loaded.length) {
        return false;
    }
    end = std::ftell(old);
    const auto length = static_cast<std::size_t>(now.length);
    return start >= 0 && std::memcmp(now.text.data(), r.loaded.text.data(), length) == 0;
}

static SaveStatus fill_replacement(std::FILE* old, std::FILE* fresh, void* context) {
    const Replacement& r = *static_cast<const Replacement*>(context);
    long start = 0;
    long end = 0;
    if (!find_loaded(old, r, start, end)) {
        print_format("%s changed since graph %d was loaded; not saved\n", graph_file_path(),
                     r.number);
        return SaveStatus::refused;
    }
    std::rewind(old);
    copy_bytes(old, fresh, start);
    put_text(r.text, fresh);
    std::fseek(old, end, SEEK_SET);
    copy_bytes(old, fresh, -1);
    return SaveStatus::saved;
}

static SaveStatus fill_addition(std::FILE* old, std::FILE* fresh, void* context) {
    Addition& a = *static_cast<Addition*>(context);
    std::int32_t count = 0;
    int last = EOF;
    if (old != nullptr) {
        bool closed = true;
        count = count_data_inputs(old, closed);
        if (!closed) {
            print_format("%s ends inside a data-input; not saved\n", graph_file_path());
            return SaveStatus::refused;
        }
        std::rewind(old);
        last = copy_bytes(old, fresh, -1);
    }
    if (last != EOF && last != '\n') {
        std::putc('\n', fresh);
    }
    put_text(a.text, fresh);
    std::putc('\n', fresh);
    a.number = count + 1;
    return SaveStatus::saved;
}

static std::int32_t first_quote(const char* chars, std::int32_t length) {
    std::int32_t q = 0;
    while (q < length && chars[q] != '"') {
        q++;
    }
    return q;
}

bool keep_lead_in(const DataInput& loaded, GraphText& text) {
    const std::int32_t own = first_quote(loaded.text.data(), loaded.length);
    const std::int32_t from = first_quote(text.chars.data(), text.length);
    if (own >= loaded.length || from >= text.length) {
        return true; // no name to keep the bytes before
    }
    if (own + text.length - from > LINE_SIZE - 1) {
        print_line("Graph text is longer than 2503 characters; file not written");
        return false;
    }
    GraphText kept{};
    std::memcpy(kept.chars.data(), loaded.text.data(), static_cast<std::size_t>(own));
    if (own > 1 && (loaded.mark == 'U' || loaded.mark == 'u')) {
        kept.chars[1] = loaded.mark;
    }
    std::memcpy(kept.chars.data() + own, text.chars.data() + from,
                static_cast<std::size_t>(text.length - from));
    kept.length = own + text.length - from;
    kept.chars[kept.length] = '\0';
    text = kept;
    return true;
}

SaveStatus replace_data_input(std::int32_t number, const DataInput& loaded, const GraphText& text) {
    Replacement r{number, loaded, text};
    return save_data_file(graph_file_path(), fill_replacement, &r);
}

SaveStatus append_data_input(const GraphText& text, std::int32_t& number) {
    Addition a{text, 0};
    const SaveStatus status = save_data_file(graph_file_path(), fill_addition, &a);
    number = a.number;
    return status;
}

} // namespace ugraph
