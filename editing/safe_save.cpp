// Safe save (replaces a data file's contents, whole or not at all)
#include "editing/safe_save.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "console/console.h"

namespace ugraph {

using PathBuffer = char[PATH_MAX];

// Temporary files are hidden and carry the program's mark, so that a save can
// tell the leftovers of earlier runs beside the same data file from any other
// file: ".NAME.ugraph-" and six characters.
static const char TEMP_MARK[] = ".ugraph-";
inline constexpr std::size_t TEMP_SUFFIX = 6;
inline constexpr int MAX_SYMLINKS = 40; // as the kernel follows them

// The temporary file's name once it has one, for the signal handler.
static PathBuffer tempPath;
static volatile std::sig_atomic_t tempExists = 0;

static const int CLEANED_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void remove_temp_and_die(int signal) {
    if (tempExists != 0) {
        unlink(tempPath);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Why a save failed: the program's own words, the system's error number, or
// both ("cannot lock the directory: Permission denied").
struct Failure {
    const char* what; // nullptr: the error number alone
    int error;        // 0: the words alone
};

static SaveStatus fail(Failure& failure, const char* what, int error) {
    failure.what = what;
    failure.error = error;
    return SaveStatus::failed;
}

static SaveStatus fail_errno(Failure& failure) {
    return fail(failure, nullptr, errno != 0 ? errno : EIO);
}

static void print_failure(const char* path, const Failure& failure) {
    if (failure.what == nullptr) {
        print_format("Cannot write file %s: %s\n", path, std::strerror(failure.error));
    } else if (failure.error == 0) {
        print_format("Cannot write file %s: %s\n", path, failure.what);
    } else {
        print_format("Cannot write file %s: %s: %s\n", path, failure.what,
                     std::strerror(failure.error));
    }
}

// Signal actions while a temporary file may exist; SIGXFSZ is ignored so that
// a file-size limit makes a write fail instead of ending the run.
struct SavedSignals {
    struct sigaction cleaned[3];
    struct sigaction fileSize;
};

static void catch_signals(SavedSignals& saved) {
    struct sigaction action {};
    action.sa_handler = remove_temp_and_die;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; i++) {
        sigaction(CLEANED_SIGNALS[i], &action, &saved.cleaned[i]);
    }
    action.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &action, &saved.fileSize);
}

static void restore_signals(const SavedSignals& saved) {
    for (int i = 0; i < 3; i++) {
        sigaction(CLEANED_SIGNALS[i], &saved.cleaned[i], nullptr);
    }
    sigaction(SIGXFSZ, &saved.fileSize, nullptr);
}

// While a temporary file gets or loses its name, the handler must not run:
// it would miss a name not yet recorded, or remove one already renamed.
static void block_signals(sigset_t& previous) {
    sigset_t blocked;
    sigemptyset(&blocked);
    for (const int signal : CLEANED_SIGNALS) {
        sigaddset(&blocked, signal);
    }
    sigprocmask(SIG_BLOCK, &blocked, &previous);
}

static void unblock_signals(const sigset_t& previous) {
    sigprocmask(SIG_SETMASK, &previous, nullptr);
}

static bool join_path(PathBuffer& joined, const char* directory, const char* name) {
    const int length = std::snprintf(joined, PATH_MAX, "%s/%s", directory, name);
    return length >= 0 && length < PATH_MAX;
}

// The file a path names: its directory, absolute and free of symbolic links,
// and its name there. A symbolic link at the end is followed, also when its
// target does not exist yet: the target is the file to save.
struct Target {
    PathBuffer directory;
    PathBuffer name;
};

// Splits `path` at its last slash and resolves the directory part.
static bool split_path(const char* path, Target& target) {
    PathBuffer directory;
    std::strcpy(directory, path);
    char* slash = std::strrchr(directory, '/');
    const char* name = path;
    if (slash == nullptr) {
        std::strcpy(directory, ".");
    } else {
        name = path + (slash - directory) + 1;
        slash[slash == directory ? 1 : 0] = '\0'; // "/name" keeps the root
    }
    if (*name == '\0') {
        errno = EISDIR; // "dir/" names a directory, never a data file
        return false;
    }
    std::strcpy(target.name, name);
    return realpath(directory, target.directory) != nullptr;
}

static bool resolve_target(const char* path, Target& target) {
    PathBuffer current;
    if (std::strlen(path) >= PATH_MAX) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::strcpy(current, path);
    for (int hop = 0; hop <= MAX_SYMLINKS; hop++) {
        PathBuffer full;
        struct stat status {};
        if (!split_path(current, target)) {
            return false;
        }
        if (!join_path(full, target.directory, target.name)) {
            errno = ENAMETOOLONG;
            return false;
        }
        if (lstat(full, &status) != 0) {
            return errno == ENOENT; // a file to make
        }
        if (!S_ISLNK(status.st_mode)) {
            return true;
        }
        PathBuffer link;
        const ssize_t length = readlink(full, link, PATH_MAX - 1);
        if (length < 0) {
            return false;
        }
        link[length] = '\0';
        if (link[0] == '/') {
            std::strcpy(current, link);
        } else if (!join_path(current, target.directory, link)) {
            errno = ENAMETOOLONG;
            return false;
        }
    }
    errno = ELOOP;
    return false;
}

// Locks the target's directory; the lock goes with the descriptor.
static int lock_directory(const Target& target) {
    const int fd = open(target.directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 && flock(fd, LOCK_EX) != 0) {
        const int error = errno;
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

static bool is_leftover(const char* entry, const char* name) {
    const std::size_t nameLength = std::strlen(name);
    const std::size_t markLength = sizeof TEMP_MARK - 1;
    return entry[0] == '.' && std::strncmp(entry + 1, name, nameLength) == 0 &&
           std::strncmp(entry + 1 + nameLength, TEMP_MARK, markLength) == 0 &&
           std::strlen(entry + 1 + nameLength + markLength) == TEMP_SUFFIX;
}

// Under the lock no other save runs, so every temporary file beside the data
// file is a leftover of a run that was killed.
static void remove_leftovers(int directory, const char* name) {
    const int fd = openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* entries = fd >= 0 ? fdopendir(fd) : nullptr;
    if (entries == nullptr) {
        if (fd >= 0) {
            close(fd);
        }
        return;
    }
    for (const dirent* entry = readdir(entries); entry != nullptr; entry = readdir(entries)) {
        if (is_leftover(entry->d_name, name)) {
            unlinkat(directory, entry->d_name, 0);
        }
    }
    closedir(entries);
}

// Protection is respected: a file without any write bit (also for root), one
// this user may not write, or one with other hard links is left alone.
static Failure refusal_of(int directory, const char* name, const struct stat& status) {
    if (S_ISDIR(status.st_mode)) {
        return {nullptr, EISDIR};
    }
    if (!S_ISREG(status.st_mode)) {
        return {"it is not a regular file", 0};
    }
    if (status.st_nlink > 1) {
        return {"it has other hard links", 0};
    }
    if ((status.st_mode & 0222) == 0) {
        return {nullptr, EACCES};
    }
    if (faccessat(directory, name, W_OK, AT_EACCESS) != 0) {
        return {nullptr, errno};
    }
    return {nullptr, 0};
}

static bool failed(const Failure& failure) {
    return failure.what != nullptr || failure.error != 0;
}

// Opens the file to replace; nullptr with no failure when there is none yet.
static std::FILE* open_old(int directory, const char* name, struct stat& status, Failure& failure) {
    const int fd = openat(directory, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) {
            fail_errno(failure);
        }
        return nullptr;
    }
    failure =
        fstat(fd, &status) != 0 ? Failure{nullptr, errno} : refusal_of(directory, name, status);
    std::FILE* old = failed(failure) ? nullptr : fdopen(fd, "r");
    if (old == nullptr) {
        close(fd);
    }
    return old;
}

// A temporary file being written: its descriptor, and whether it has a name
// in the directory yet (a file made with O_TMPFILE gets one only at the end).
struct TempFile {
    int fd;
    bool named;
};

// Six characters for a temporary name, as mkstemp takes them.
static void random_suffix(char* suffix) {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[TEMP_SUFFIX] = {};
    if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        const auto mixed = static_cast<unsigned long>(std::time(nullptr)) * 2654435761UL ^
                           static_cast<unsigned long>(getpid()) ^
                           static_cast<unsigned long>(std::clock());
        for (std::size_t i = 0; i < TEMP_SUFFIX; i++) {
            bytes[i] = static_cast<unsigned char>(mixed >> (i * 8));
        }
    }
    for (std::size_t i = 0; i < TEMP_SUFFIX; i++) {
        suffix[i] = letters[bytes[i] % (sizeof letters - 1)];
    }
}

// tempPath gets the directory, the hidden name and "XXXXXX" for the suffix.
static bool temp_pattern(const Target& target) {
    const int length = std::snprintf(tempPath, PATH_MAX, "%s/.%s%sXXXXXX", target.directory,
                                     target.name, TEMP_MARK);
    if (length < 0 || length >= PATH_MAX) {
        errno = ENAMETOOLONG;
        return false;
    }
    return true;
}

// Without O_TMPFILE the file is named from the start; the signals stay
// blocked until its name is recorded.
static bool make_named_temp(TempFile& temp) {
    sigset_t previous;
    block_signals(previous);
    temp.fd = mkstemp(tempPath);
    const int error = errno;
    if (temp.fd >= 0) {
        tempExists = 1;
        temp.named = true;
        fcntl(temp.fd, F_SETFD, FD_CLOEXEC);
    }
    unblock_signals(previous);
    errno = error;
    return temp.fd >= 0;
}

// An unnamed file where the file system makes one: a kill before it is
// linked leaves nothing behind.
static bool make_temp(int directory, const Target& target, TempFile& temp) {
    if (!temp_pattern(target)) {
        return false;
    }
    temp.fd = openat(directory, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    temp.named = false;
    if (temp.fd >= 0) {
        return true;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        return false; // the directory takes no file at all
    }
    return make_named_temp(temp);
}

// Gives an unnamed temporary file the name that tempPath holds, with a fresh
// suffix. Called with the signals blocked.
static bool link_temp(int directory, TempFile& temp) {
    char* suffix = tempPath + std::strlen(tempPath) - TEMP_SUFFIX;
    char* name = std::strrchr(tempPath, '/') + 1;
    char procPath[40];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", temp.fd);
    for (int attempt = 0; attempt < 100; attempt++) {
        random_suffix(suffix);
        int linked = linkat(AT_FDCWD, procPath, directory, name, AT_SYMLINK_FOLLOW);
        if (linked != 0 && errno == ENOENT) { // no /proc: the way for privileged processes
            linked = linkat(temp.fd, "", directory, name, AT_EMPTY_PATH);
        }
        if (linked == 0) {
            tempExists = 1;
            temp.named = true;
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}

// Puts the temporary file in the data file's place in one step.
static bool publish(int directory, const Target& target, TempFile& temp) {
    sigset_t previous;
    block_signals(previous);
    bool done = temp.named || link_temp(directory, temp);
    const char* name = std::strrchr(tempPath, '/') + 1;
    done = done && renameat(directory, name, directory, target.name) == 0;
    const int error = errno;
    if (done) {
        tempExists = 0;
    }
    unblock_signals(previous);
    errno = error;
    return done;
}

static void remove_temp(const TempFile& temp) {
    if (temp.named) {
        unlink(tempPath);
        tempExists = 0;
    }
}

static mode_t new_file_mode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// The old file's owner and group where this process may set them, then its
// permission bits (after the owner: a change of owner clears set-id bits).
static bool take_old_attributes(int fd, const std::FILE* old, const struct stat& status) {
    if (old == nullptr) {
        return fchmod(fd, new_file_mode()) == 0;
    }
    if (fchown(fd, status.st_uid, status.st_gid) != 0 &&
        fchown(fd, static_cast<uid_t>(-1), status.st_gid) != 0) {
        errno = 0; // the file stays this process's own
    }
    return fchmod(fd, status.st_mode & 07777) == 0;
}

// Writes the temporary file through fill and brings it to the disk with the
// old file's attributes; then it replaces the old file.
static SaveStatus write_temp(int directory, const Target& target, std::FILE* old,
                             const struct stat& status, SaveFiller fill, void* context,
                             Failure& failure) {
    TempFile temp{-1, false};
    if (!make_temp(directory, target, temp)) {
        return fail_errno(failure);
    }
    std::FILE* fresh = fdopen(temp.fd, "w");
    if (fresh == nullptr) {
        fail_errno(failure);
        close(temp.fd);
        remove_temp(temp);
        return SaveStatus::failed;
    }
    errno = 0;
    SaveStatus result = fill(old, fresh, context);
    const bool readWhole = old == nullptr || std::ferror(old) == 0; // else a copy is cut short
    if (result == SaveStatus::saved &&
        (!readWhole || std::fflush(fresh) != 0 || std::ferror(fresh) != 0 || fsync(temp.fd) != 0 ||
         !take_old_attributes(temp.fd, old, status) || !publish(directory, target, temp))) {
        result = fail_errno(failure);
    }
    std::fclose(fresh);
    if (result != SaveStatus::saved) {
        remove_temp(temp);
    }
    return result;
}

// Under the lock: the old file is opened only now, so that it is the file
// as the last save left it.
static SaveStatus save_locked(int directory, const Target& target, SaveFiller fill, void* context,
                              Failure& failure) {
    remove_leftovers(directory, target.name);
    struct stat status {};
    std::FILE* old = open_old(directory, target.name, status, failure);
    if (failed(failure)) {
        return SaveStatus::failed;
    }
    const SaveStatus result = write_temp(directory, target, old, status, fill, context, failure);
    if (old != nullptr) {
        std::fclose(old);
    }
    return result;
}

SaveStatus save_data_file(const char* path, SaveFiller fill, void* context) {
    Failure failure{nullptr, 0};
    Target target{};
    errno = 0;
    if (!resolve_target(path, target)) {
        fail_errno(failure);
        print_failure(path, failure);
        return SaveStatus::failed;
    }
    const int lock = lock_directory(target);
    if (lock < 0) {
        fail(failure, "cannot lock the directory", errno != 0 ? errno : EIO);
        print_failure(path, failure);
        return SaveStatus::failed;
    }
    SavedSignals saved;
    catch_signals(saved);
    const SaveStatus status = save_locked(lock, target, fill, context, failure);
    if (status == SaveStatus::saved) {
        fsync(lock); // the rename itself reaches the disk too
    }
    restore_signals(saved);
    close(lock);
    if (status == SaveStatus::failed) {
        print_failure(path, failure);
    }
    return status;
}

} // namespace ugraph
