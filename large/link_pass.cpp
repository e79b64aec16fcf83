// Link pass (reads every line of a graph file once, on every core)
#include "large/link_pass.h"

#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <limits>

#include "large/progress.h"

namespace ugraph {

// Every byte of fresh memory costs a page fault at its first touch, so
// buffers stay small and are reused: a block is read into one while it is
// still in the core's cache.
inline constexpr std::uint64_t DEFAULT_BLOCK = 1U << 18;
inline constexpr std::uint64_t NO_BLOCK = std::numeric_limits<std::uint64_t>::max();

// Lines that start in one block; a fault's block holds the lines before it.
struct BlockLines {
    std::uint64_t block;
    std::uint64_t lines;
};

// A stream's block, filled by the reading thread and read by a worker.
struct StreamBlock {
    std::uint32_t buffer;
    std::uint64_t block;
    std::uint64_t position;
    std::uint64_t length;
};

struct Pass;

struct alignas(64) Worker { // no cache line shared with another worker
    Pass* pass;
    std::uint32_t number; // of the worker, and of its store in the result
    EdgeReader reader;
    LinkStore kept;
    std::vector<KeptSpan> spans;
    std::vector<char> buffer; // a regular file's block, and the rest of its last line
    std::vector<BlockLines> done;
    std::uint64_t faultBlock;
    std::uint64_t faultLine; // within faultBlock, from 0
    pthread_t thread;
    bool started;
};

// What the workers share. Blocks are numbered in file order; a fault stops
// the work on every later block, while the earlier ones are all read, so the
// fault reported is the file's first.
struct Pass {
    GraphSource* source;
    std::uint64_t blockSize;
    std::atomic<std::uint64_t> nextBlock;
    std::atomic<std::uint64_t> faultBlock;
    std::atomic<std::uint64_t> bytesDone;
    std::atomic<int> readError;
    Progress progress;
    std::mutex lock; // the stream's buffers and queue
    std::condition_variable changed;
    std::vector<std::vector<char>> buffers;
    std::vector<std::uint32_t> freeBuffers;
    std::vector<StreamBlock> queue; // a ring of buffers.size() places
    std::size_t queueHead;
    std::size_t queueCount;
    bool ended;
};

static bool stopped(const Pass& pass, std::uint64_t block) {
    return block > pass.faultBlock.load(std::memory_order_acquire) ||
           pass.readError.load(std::memory_order_relaxed) != 0;
}

static void fail_read(Pass& pass, int error) {
    int none = 0;
    pass.readError.compare_exchange_strong(none, error != 0 ? error : EIO);
}

// Reads the lines of one span and records what they gave.
static void read_span(Worker& w, const char* begin, const char* end, std::uint64_t block,
                      std::uint64_t position) {
    w.reader.lines = 0;
    const std::uint64_t kept = w.kept.count;
    IdTable& table = w.reader.nodes->table;
    enter_table(table);
    const bool read = begin == end || read_edge_lines(w.reader, begin, end, position);
    leave_table(table);
    if (read) {
        w.done.push_back({block, w.reader.lines});
        if (w.kept.count > kept) {
            w.spans.push_back({block, w.number, kept, w.kept.count - kept});
        }
        return;
    }
    w.faultBlock = block;
    w.faultLine = w.reader.lines;
    std::uint64_t lowest = w.pass->faultBlock.load(std::memory_order_relaxed);
    while (block < lowest && !w.pass->faultBlock.compare_exchange_weak(lowest, block)) {
    }
}

// The buffer with room for `size` bytes and SPAN_SLACK more, which a reader
// of whole words may touch past a span's end. It only grows, so a reused
// buffer is not zeroed again.
static char* room_for(std::vector<char>& buffer, std::size_t size) {
    if (buffer.size() < size + SPAN_SLACK) {
        buffer.resize(size + SPAN_SLACK);
    }
    return buffer.data();
}

// Reads on past `to` until the buffer ends with a newline or the file ends;
// the file's last line gets the newline it may lack.
static bool finish_last_line(Pass& pass, Worker& w, std::uint64_t to, std::size_t& length) {
    const GraphSource& source = *pass.source;
    while (length == 0 || w.buffer[length - 1] != '\n') {
        if (to >= source.size) {
            room_for(w.buffer, length + 1)[length] = '\n';
            length++;
            return true;
        }
        const std::uint64_t more = std::min(pass.blockSize, source.size - to);
        const long got = read_at(source, room_for(w.buffer, length + more) + length, more, to);
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            to = source.size; // the file shrank: its end is here
            continue;
        }
        const char* newline = static_cast<const char*>(
            std::memchr(w.buffer.data() + length, '\n', static_cast<std::size_t>(got)));
        length = newline != nullptr ? static_cast<std::size_t>(newline - w.buffer.data()) + 1
                                    : length + static_cast<std::size_t>(got);
        to += static_cast<std::uint64_t>(got);
    }
    return true;
}

// Reads the lines that start in block b of a regular file: a line belongs
// to the block of its first byte. The byte before the block tells whether a
// line starts right at it.
static bool read_file_block(Pass& pass, Worker& w, std::uint64_t b) {
    const GraphSource& source = *pass.source;
    const std::uint64_t start = source.start + b * pass.blockSize;
    const std::uint64_t from = start == source.start ? start : start - 1;
    const std::uint64_t to = std::min(start + pass.blockSize, source.size);
    const long got = read_at(source, room_for(w.buffer, to - from), to - from, from);
    if (got < 0) {
        return false;
    }
    std::size_t length = static_cast<std::size_t>(got);
    std::size_t first = 0;
    if (start != source.start) {
        const void* newline = std::memchr(w.buffer.data(), '\n', length);
        first =
            newline == nullptr
                ? length
                : static_cast<std::size_t>(static_cast<const char*>(newline) - w.buffer.data()) + 1;
    }
    if (first < length && !finish_last_line(pass, w, from + length, length)) {
        return false;
    }
    const char* bytes = w.buffer.data();
    read_span(w, bytes + first, bytes + std::max(first, length), b, from + first);
    return true;
}

static void read_file_blocks(Worker& w, bool showsProgress) {
    Pass& pass = *w.pass;
    for (;;) {
        const std::uint64_t b = pass.nextBlock.fetch_add(1, std::memory_order_relaxed);
        const std::uint64_t start = pass.source->start + b * pass.blockSize;
        if (start >= pass.source->size || stopped(pass, b)) {
            return;
        }
        if (!read_file_block(pass, w, b)) {
            fail_read(pass, errno);
            return;
        }
        pass.bytesDone.fetch_add(std::min(pass.blockSize, pass.source->size - start),
                                 std::memory_order_relaxed);
        if (showsProgress) {
            show_progress(pass.progress, pass.bytesDone.load(std::memory_order_relaxed));
        }
    }
}

// A filled block of the stream, in order; false once the stream has ended
// and every block is taken.
static bool take_block(Pass& pass, StreamBlock& taken) {
    std::unique_lock<std::mutex> guard(pass.lock);
    pass.changed.wait(guard, [&pass] { return pass.queueCount > 0 || pass.ended; });
    if (pass.queueCount == 0) {
        return false;
    }
    taken = pass.queue[pass.queueHead];
    pass.queueHead = (pass.queueHead + 1) % pass.queue.size();
    pass.queueCount--;
    return true;
}

static void give_back(Pass& pass, std::uint32_t buffer) {
    const std::lock_guard<std::mutex> guard(pass.lock);
    pass.freeBuffers.push_back(buffer);
    pass.changed.notify_all();
}

static void read_stream_block(Worker& w, const StreamBlock& b) {
    const char* bytes = w.pass->buffers[b.buffer].data();
    if (!stopped(*w.pass, b.block)) {
        read_span(w, bytes, bytes + b.length, b.block, b.position);
    }
}

static void read_stream_blocks(Worker& w) {
    StreamBlock b{};
    while (take_block(*w.pass, b)) {
        read_stream_block(w, b);
        give_back(*w.pass, b.buffer);
    }
}

static void* worker_main(void* context) {
    Worker& w = *static_cast<Worker*>(context);
    if (w.pass->source->regular) {
        read_file_blocks(w, false);
    } else {
        read_stream_blocks(w);
    }
    return nullptr;
}

static std::uint32_t take_free_buffer(Pass& pass) {
    std::unique_lock<std::mutex> guard(pass.lock);
    pass.changed.wait(guard, [&pass] { return !pass.freeBuffers.empty(); });
    const std::uint32_t buffer = pass.freeBuffers.back();
    pass.freeBuffers.pop_back();
    return buffer;
}

// Fills a buffer with whole lines: the rest of the last line read before,
// then the stream's next bytes up to the block size, or on to a newline when
// a line is longer. The stream's last line gets the newline it may lack.
// False when a read fails.
static bool fill_buffer(Pass& pass, std::vector<char>& bytes, std::vector<char>& carry,
                        std::size_t& length, bool& end) {
    std::size_t capacity = std::max<std::size_t>(pass.blockSize, carry.size() + 1);
    std::copy(carry.begin(), carry.end(), room_for(bytes, capacity));
    length = carry.size();
    carry.clear();
    for (;;) {
        if (end) {
            if (length > 0 && bytes[length - 1] != '\n') {
                room_for(bytes, length + 1)[length] = '\n';
                length++;
            }
            return true;
        }
        if (length == capacity) {
            const char* newline = static_cast<const char*>(memrchr(bytes.data(), '\n', length));
            if (newline != nullptr) {
                const auto whole = static_cast<std::size_t>(newline + 1 - bytes.data());
                carry.assign(newline + 1, static_cast<const char*>(bytes.data()) + length);
                length = whole;
                return true;
            }
            capacity *= 2; // a line longer than the block
        }
        const long got =
            read_on(*pass.source, room_for(bytes, capacity) + length, capacity - length);
        if (got < 0) {
            return false;
        }
        end = got == 0;
        length += static_cast<std::size_t>(got);
        const auto read = static_cast<std::uint64_t>(got);
        const std::uint64_t done = pass.bytesDone.fetch_add(read) + read;
        show_progress(pass.progress, pass.source->size > 0 ? pass.source->consumed : done);
    }
}

static void publish(Pass& pass, const StreamBlock& b) {
    const std::lock_guard<std::mutex> guard(pass.lock);
    pass.queue[(pass.queueHead + pass.queueCount) % pass.queue.size()] = b;
    pass.queueCount++;
    pass.changed.notify_all();
}

static void end_stream(Pass& pass) {
    const std::lock_guard<std::mutex> guard(pass.lock);
    pass.ended = true;
    pass.changed.notify_all();
}

// The reading thread of a stream: blocks of whole lines go to the workers in
// order, or, when no worker could start, are read here.
static void feed_stream(Pass& pass, Worker* alone) {
    std::vector<char>& head = pass.source->head;
    std::vector<char> carry(head.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(
                                               pass.source->start, head.size())),
                            head.end());
    head = std::vector<char>();
    bool end = pass.source->ended;
    std::uint64_t position = 0;
    for (std::uint64_t block = 0; !(end && carry.empty()) && !stopped(pass, block); block++) {
        const std::uint32_t buffer = take_free_buffer(pass);
        std::size_t length = 0;
        if (!fill_buffer(pass, pass.buffers[buffer], carry, length, end)) {
            fail_read(pass, errno);
            give_back(pass, buffer);
            break;
        }
        const StreamBlock b{buffer, block, position, length};
        position += length;
        if (alone != nullptr) {
            read_stream_block(*alone, b);
            give_back(pass, buffer);
        } else {
            publish(pass, b);
        }
    }
    end_stream(pass);
}

// The line of the first fault: the lines of every block before its block,
// and those of its block before it.
static void find_fault(const std::vector<Worker>& workers, PassResult& result) {
    const Worker* faulted = nullptr;
    for (const Worker& w : workers) {
        if (w.faultBlock != NO_BLOCK &&
            (faulted == nullptr || w.faultBlock < faulted->faultBlock)) {
            faulted = &w;
        }
    }
    if (faulted == nullptr) {
        return;
    }
    result.fault = faulted->reader.fault;
    result.faultField = faulted->reader.field;
    result.faultLine = faulted->faultLine + 1;
    for (const Worker& w : workers) {
        for (const BlockLines& d : w.done) {
            result.faultLine += d.block < faulted->faultBlock ? d.lines : 0;
        }
    }
}

static void start_workers(std::vector<Worker>& workers, std::size_t first) {
    for (std::size_t i = first; i < workers.size(); i++) {
        workers[i].started =
            pthread_create(&workers[i].thread, nullptr, worker_main, &workers[i]) == 0;
    }
}

static void prepare(Pass& pass, GraphSource& source, NodeIndex& nodes, const PassOptions& options,
                    std::vector<Worker>& workers) {
    pass.source = &source;
    pass.blockSize = options.blockSize != 0 ? options.blockSize : DEFAULT_BLOCK;
    pass.faultBlock = NO_BLOCK;
    start_progress(pass.progress, options.progress, source.size); // a pipe: 0, no percent
    for (std::uint32_t i = 0; i < workers.size(); i++) {
        Worker& w = workers[i];
        w.pass = &pass;
        w.number = i;
        w.reader.nodes = &nodes;
        w.reader.kept = options.keepLinks ? &w.kept : nullptr;
        w.reader.dialect = options.dialect;
        w.reader.matrix = options.matrix;
        w.reader.rows = options.rows;
        w.reader.columns = options.columns;
        w.reader.visit = options.visit;
        w.reader.context = options.context;
        w.faultBlock = NO_BLOCK;
    }
    if (!source.regular) { // two buffers a worker: one read, one filled meanwhile
        pass.buffers.resize(2 * workers.size());
        pass.queue.resize(pass.buffers.size());
        for (std::uint32_t i = 0; i < pass.buffers.size(); i++) {
            pass.freeBuffers.push_back(i);
        }
    }
}

void read_links(GraphSource& source, NodeIndex& nodes, const PassOptions& options,
                PassResult& result) {
    Pass pass{};
    std::vector<Worker> workers(std::max<std::uint32_t>(options.threads, 1));
    prepare(pass, source, nodes, options, workers);
    // The calling thread reads a regular file's blocks too; for a stream it
    // is the one that reads the stream.
    const std::size_t first = source.regular ? 1 : 0;
    start_workers(workers, first);
    if (source.regular) {
        read_file_blocks(workers[0], true);
    } else {
        const bool any =
            std::any_of(workers.begin(), workers.end(), [](const Worker& w) { return w.started; });
        feed_stream(pass, any ? nullptr : &workers[0]);
    }
    for (std::size_t i = first; i < workers.size(); i++) {
        if (workers[i].started) {
            pthread_join(workers[i].thread, nullptr);
        }
    }
    end_progress(pass.progress);
    result = PassResult{};
    result.readError = pass.readError.load();
    for (Worker& w : workers) {
        finish_maker(nodes, w.reader.maker);
        result.links += w.reader.links;
        result.kept.push_back(std::move(w.kept));
        result.spans.insert(result.spans.end(), w.spans.begin(), w.spans.end());
    }
    std::sort(result.spans.begin(), result.spans.end(),
              [](const KeptSpan& a, const KeptSpan& b) { return a.block < b.block; });
    find_fault(workers, result);
}

} // namespace ugraph
