// Parallel pass (reads every line of a graph file once, on every core)
#include "large/parallel_pass.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <limits>
#include <mutex>

#include "large/link_sinks.h"
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

// A stream's block of whole lines, in one of the queue's buffers.
struct StreamBlock {
    std::uint32_t buffer;
    std::uint64_t block;
    std::uint64_t position;
    std::uint64_t length;
};

// The stream's buffers. Invariant: every buffer is free, queued or held by
// one reader, and the queued blocks stand in the order they were read.
struct BlockQueue {
    std::mutex lock;
    std::condition_variable filled; // a block is queued, or the stream ended
    std::condition_variable freed;  // a buffer is free
    std::vector<std::vector<char>> buffers;
    std::vector<std::uint32_t> free;
    std::vector<StreamBlock> ring; // of buffers.size() places
    std::size_t head;
    std::size_t count;
    bool ended;
};

struct Pass;

struct alignas(64) Reader { // no cache line shared with another reader
    Pass* pass;
    std::uint32_t number; // of the reader, and of its store in the result
    EdgeParser parser;
    LinkBatch batch;
    ForestSink forest;
    ReplaySink* replay; // instead of the forest: only on a pass of one reader
    std::vector<KeptSpan> spans;
    std::vector<char> buffer; // a regular file's block, and the rest of its last line
    std::vector<BlockLines> done;
    std::uint64_t faultBlock;
    std::uint64_t faultLine; // within faultBlock, from 0
    FailureKind fault;
    pthread_t thread;
    bool started;
};

// What the readers share: blocks are claimed from nextBlock (a regular
// file) or the queue (a stream); faultBlock only falls.
struct Pass {
    GraphSource* source;
    std::uint64_t blockSize;
    std::atomic<std::uint64_t> nextBlock;
    std::atomic<std::uint64_t> faultBlock;
    std::atomic<std::uint64_t> bytesDone;
    std::atomic<int> readError;
    Progress progress; // the calling thread's
    BlockQueue queue;
};

static bool stopped(const Pass& pass, std::uint64_t block) {
    return block > pass.faultBlock.load(std::memory_order_acquire) ||
           pass.readError.load(std::memory_order_relaxed) != 0;
}

static void fail_read(Pass& pass, int error) {
    int none = 0;
    pass.readError.compare_exchange_strong(none, error != 0 ? error : EIO);
}

// Hands the batch to the reader's sink; false when it cannot take it.
static bool sink_batch(Reader& r) {
    if (r.replay != nullptr) {
        take_batch(*r.replay, r.batch);
        return true;
    }
    if (!take_batch(r.forest, r.batch)) {
        r.fault = FailureKind::out_of_memory;
        return false;
    }
    return true;
}

// Parses the lines of a span batch by batch; false at a fault, with the
// lines before it counted.
static bool parse_span(Reader& r, Span& span) {
    IdTable& table = r.parser.nodes->table;
    while (span.at < span.end) {
        if (!parse_batch(r.parser, span, r.batch)) {
            r.fault = r.parser.fault;
            return false;
        }
        if (!sink_batch(r)) {
            return false;
        }
        pause_table(table); // no index is held here: the table may grow
    }
    return true;
}

// Reads the lines of one span and records what they gave.
static void read_span(Reader& r, const char* begin, const char* end, std::uint64_t block,
                      std::uint64_t position) {
    Span span{begin, begin, end, position, 0};
    const std::uint64_t kept = r.forest.kept.count;
    IdTable& table = r.parser.nodes->table;
    enter_table(table);
    const bool read = parse_span(r, span);
    leave_table(table);
    if (read) {
        r.done.push_back({block, span.lines});
        if (r.forest.kept.count > kept) {
            r.spans.push_back({block, r.number, kept, r.forest.kept.count - kept});
        }
        return;
    }
    r.faultBlock = block;
    r.faultLine = span.lines;
    std::uint64_t lowest = r.pass->faultBlock.load(std::memory_order_relaxed);
    while (block < lowest && !r.pass->faultBlock.compare_exchange_weak(lowest, block)) {
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
static bool finish_last_line(Pass& pass, Reader& r, std::uint64_t to, std::size_t& length) {
    const GraphSource& source = *pass.source;
    while (length == 0 || r.buffer[length - 1] != '\n') {
        if (to >= source.size) {
            room_for(r.buffer, length + 1)[length] = '\n';
            length++;
            return true;
        }
        const std::uint64_t more = std::min(pass.blockSize, source.size - to);
        const long got = read_at(source, room_for(r.buffer, length + more) + length, more, to);
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            to = source.size; // the file shrank: its end is here
            continue;
        }
        const char* newline = static_cast<const char*>(
            std::memchr(r.buffer.data() + length, '\n', static_cast<std::size_t>(got)));
        length = newline != nullptr ? static_cast<std::size_t>(newline - r.buffer.data()) + 1
                                    : length + static_cast<std::size_t>(got);
        to += static_cast<std::uint64_t>(got);
    }
    return true;
}

// Reads the lines that start in block b of a regular file: a line belongs
// to the block of its first byte. The byte before the block tells whether a
// line starts right at it.
static bool read_file_block(Pass& pass, Reader& r, std::uint64_t b) {
    const GraphSource& source = *pass.source;
    const std::uint64_t start = source.start + b * pass.blockSize;
    const std::uint64_t from = start == source.start ? start : start - 1;
    const std::uint64_t to = std::min(start + pass.blockSize, source.size);
    const long got = read_at(source, room_for(r.buffer, to - from), to - from, from);
    if (got < 0) {
        return false;
    }
    std::size_t length = static_cast<std::size_t>(got);
    std::size_t first = 0;
    if (start != source.start) {
        const void* newline = std::memchr(r.buffer.data(), '\n', length);
        first =
            newline == nullptr
                ? length
                : static_cast<std::size_t>(static_cast<const char*>(newline) - r.buffer.data()) + 1;
    }
    if (first < length && !finish_last_line(pass, r, from + length, length)) {
        return false;
    }
    const char* bytes = r.buffer.data();
    read_span(r, bytes + first, bytes + std::max(first, length), b, from + first);
    return true;
}

static void read_file_blocks(Reader& r, bool showsProgress) {
    Pass& pass = *r.pass;
    for (;;) {
        const std::uint64_t b = pass.nextBlock.fetch_add(1, std::memory_order_relaxed);
        const std::uint64_t start = pass.source->start + b * pass.blockSize;
        if (start >= pass.source->size || stopped(pass, b)) {
            return;
        }
        if (!read_file_block(pass, r, b)) {
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

// Takes the oldest queued block, under the queue's lock.
static StreamBlock dequeue(BlockQueue& q) {
    const StreamBlock taken = q.ring[q.head];
    q.head = (q.head + 1) % q.ring.size();
    q.count--;
    return taken;
}

// A queued block, in order; false once the stream has ended and every block
// is taken.
static bool take_block(BlockQueue& q, StreamBlock& taken) {
    std::unique_lock<std::mutex> guard(q.lock);
    q.filled.wait(guard, [&q] { return q.count > 0 || q.ended; });
    if (q.count == 0) {
        return false;
    }
    taken = dequeue(q);
    return true;
}

static void give_back(BlockQueue& q, std::uint32_t buffer) {
    const std::lock_guard<std::mutex> guard(q.lock);
    q.free.push_back(buffer);
    q.freed.notify_one();
}

static void read_stream_block(Reader& r, const StreamBlock& b) {
    const char* bytes = r.pass->queue.buffers[b.buffer].data();
    if (!stopped(*r.pass, b.block)) {
        read_span(r, bytes, bytes + b.length, b.block, b.position);
    }
    give_back(r.pass->queue, b.buffer);
}

static void read_stream_blocks(Reader& r) {
    StreamBlock b{};
    while (take_block(r.pass->queue, b)) {
        read_stream_block(r, b);
    }
}

static void* reader_main(void* context) {
    Reader& r = *static_cast<Reader*>(context);
    if (r.pass->source->regular) {
        read_file_blocks(r, false);
    } else {
        read_stream_blocks(r);
    }
    return nullptr;
}

// A free buffer for the calling thread to fill. While none is free it reads
// the oldest queued block itself, and waits only when every buffer is
// being read by another reader.
static std::uint32_t take_free_buffer(Reader& self) {
    BlockQueue& q = self.pass->queue;
    std::unique_lock<std::mutex> guard(q.lock);
    while (q.free.empty()) {
        if (q.count > 0) {
            const StreamBlock b = dequeue(q);
            guard.unlock();
            read_stream_block(self, b);
            guard.lock();
        } else {
            q.freed.wait(guard);
        }
    }
    const std::uint32_t buffer = q.free.back();
    q.free.pop_back();
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

static void publish(BlockQueue& q, const StreamBlock& b) {
    const std::lock_guard<std::mutex> guard(q.lock);
    q.ring[(q.head + q.count) % q.ring.size()] = b;
    q.count++;
    q.filled.notify_one();
}

static void end_stream(BlockQueue& q) {
    const std::lock_guard<std::mutex> guard(q.lock);
    q.ended = true;
    q.filled.notify_all();
}

// The calling thread's part in a stream: it reads the stream into blocks of
// whole lines, queued in order, then reads what is still queued.
static void feed_stream(Pass& pass, Reader& self) {
    std::vector<char>& head = pass.source->head;
    std::vector<char> carry(head.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(
                                               pass.source->start, head.size())),
                            head.end());
    head = std::vector<char>();
    bool end = pass.source->ended;
    std::uint64_t position = 0;
    for (std::uint64_t block = 0; !(end && carry.empty()) && !stopped(pass, block); block++) {
        const std::uint32_t buffer = take_free_buffer(self);
        std::size_t length = 0;
        if (!fill_buffer(pass, pass.queue.buffers[buffer], carry, length, end)) {
            fail_read(pass, errno);
            give_back(pass.queue, buffer);
            break;
        }
        publish(pass.queue, {buffer, block, position, length});
        position += length;
    }
    end_stream(pass.queue);
    read_stream_blocks(self);
}

// The first fault: its kind and field, and its line: the lines of every
// block before its block, and those of its block before it.
static Failure first_fault(const std::vector<Reader>& readers) {
    const Reader* faulted = nullptr;
    for (const Reader& r : readers) {
        if (r.faultBlock != NO_BLOCK &&
            (faulted == nullptr || r.faultBlock < faulted->faultBlock)) {
            faulted = &r;
        }
    }
    if (faulted == nullptr) {
        return failure(FailureKind::none);
    }
    std::uint64_t line = faulted->faultLine + 1;
    for (const Reader& r : readers) {
        for (const BlockLines& d : r.done) {
            line += d.block < faulted->faultBlock ? d.lines : 0;
        }
    }
    const EdgeParser& parser = faulted->parser;
    Failure f = text_failure(faulted->fault, line, parser.field.data(),
                             parser.field.data() + parser.field.size());
    f.figures[0] = parser.grammar.rows; // the matrix an entry lies outside
    f.figures[1] = parser.grammar.columns;
    return f;
}

static void prepare(Pass& pass, GraphSource& source, NodeIndex& nodes, const PassOptions& options,
                    std::vector<Reader>& readers) {
    pass.source = &source;
    pass.blockSize = options.blockSize != 0 ? options.blockSize : DEFAULT_BLOCK;
    pass.faultBlock = NO_BLOCK;
    start_progress(pass.progress, options.progress, source.size); // a pipe: 0, no percent
    for (std::uint32_t i = 0; i < readers.size(); i++) {
        Reader& r = readers[i];
        r.pass = &pass;
        r.number = i;
        start_parser(r.parser, nodes, options.grammar);
        r.forest.nodes = &nodes;
        r.forest.keep = options.keepLinks;
        r.faultBlock = NO_BLOCK;
    }
    if (!source.regular) { // two buffers a reader: one read, one filled meanwhile
        BlockQueue& q = pass.queue;
        q.buffers.resize(2 * readers.size());
        q.ring.resize(q.buffers.size());
        for (std::uint32_t i = 0; i < q.buffers.size(); i++) {
            q.free.push_back(i);
        }
    }
}

// Runs the pass: readers[0] on the calling thread, every other on a thread
// of its own, when it starts.
static void run_pass(Pass& pass, std::vector<Reader>& readers) {
    for (std::size_t i = 1; i < readers.size(); i++) {
        readers[i].started =
            pthread_create(&readers[i].thread, nullptr, reader_main, &readers[i]) == 0;
    }
    if (pass.source->regular) {
        read_file_blocks(readers[0], true);
    } else {
        feed_stream(pass, readers[0]);
    }
    for (std::size_t i = 1; i < readers.size(); i++) {
        if (readers[i].started) {
            pthread_join(readers[i].thread, nullptr);
        }
    }
    end_progress(pass.progress);
}

static Failure pass_failure(const Pass& pass, const std::vector<Reader>& readers) {
    if (pass.readError.load() != 0) {
        return read_failure(*pass.source, pass.readError.load());
    }
    return first_fault(readers);
}

void read_links(GraphSource& source, NodeIndex& nodes, const PassOptions& options,
                PassResult& result) {
    Pass pass{};
    // A stream's calling thread reads the stream and the other readers its blocks.
    const std::uint32_t threads = std::max<std::uint32_t>(options.threads, 1);
    std::vector<Reader> readers(source.regular ? threads : threads + 1);
    prepare(pass, source, nodes, options, readers);
    run_pass(pass, readers);
    result = PassResult{};
    for (Reader& r : readers) {
        finish_maker(nodes, r.parser.maker);
        result.links += r.forest.links;
        result.kept.push_back(std::move(r.forest.kept));
        result.spans.insert(result.spans.end(), r.spans.begin(), r.spans.end());
    }
    std::sort(result.spans.begin(), result.spans.end(),
              [](const KeptSpan& a, const KeptSpan& b) { return a.block < b.block; });
    result.failure = pass_failure(pass, readers);
}

Failure replay_links(GraphSource& source, NodeIndex& nodes, const PassOptions& options,
                     EdgeOutput& out) {
    Pass pass{};
    std::vector<Reader> readers(1);
    PassOptions alone = options;
    alone.keepLinks = false;
    prepare(pass, source, nodes, alone, readers);
    ReplaySink sink{&out, 0};
    readers[0].replay = &sink;
    run_pass(pass, readers);
    finish_maker(nodes, readers[0].parser.maker);
    return pass_failure(pass, readers);
}

} // namespace ugraph
