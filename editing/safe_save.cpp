// Safe save (replaces a data file's contents, whole or not at all)
#include "editing/safe_save.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace ugraph {

using PathBuffer = char[PATH_MAX];

// The temporary file being written, for the signal handler to remove.
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

// The file to replace: a symbolic link's target, or the path itself when it
// names no file yet. False when the path does not fit.
static bool target_of(const char* path, PathBuffer& target) {
    if (realpath(path, target) != nullptr) {
        return true;
    }
    if (std::strlen(path) >= PATH_MAX) {
        return false;
    }
    std::strcpy(target, path);
    return true;
}

// Locks the directory that holds target; the lock goes with the descriptor.
static int lock_directory(const char* target) {
    PathBuffer directory;
    std::strcpy(directory, target);
    char* slash = std::strrchr(directory, '/');
    if (slash == nullptr) {
        std::strcpy(directory, ".");
    } else if (slash == directory) {
        slash[1] = '\0'; // the root directory
    } else {
        *slash = '\0';
    }
    const int fd = open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 && flock(fd, LOCK_EX) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

static mode_t new_file_mode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Writes the temporary file through fill and flushes it to the disk.
static SaveStatus write_temp(std::FILE* old, SaveFiller fill, void* context) {
    const int fd = mkstemp(tempPath);
    if (fd < 0) {
        return SaveStatus::failed;
    }
    tempExists = 1;
    struct stat oldStat {};
    const bool hasOld = old != nullptr && fstat(fileno(old), &oldStat) == 0;
    const mode_t mode = hasOld ? oldStat.st_mode & 07777 : new_file_mode();
    std::FILE* fresh = fdopen(fd, "w");
    if (fresh == nullptr) {
        close(fd);
        return SaveStatus::failed;
    }
    const SaveStatus status = fill(old, fresh, context);
    bool written = std::fflush(fresh) == 0 && std::ferror(fresh) == 0 && fsync(fd) == 0 &&
                   fchmod(fd, mode) == 0;
    written = std::fclose(fresh) == 0 && written;
    return status == SaveStatus::saved && !written ? SaveStatus::failed : status;
}

// Under the lock: the old file is opened only now, so that it is the file
// as the last save left it.
static SaveStatus save_locked(const char* target, SaveFiller fill, void* context) {
    std::FILE* old = std::fopen(target, "r");
    if (old == nullptr && errno != ENOENT) {
        return SaveStatus::failed;
    }
    SaveStatus status = SaveStatus::failed;
    if (std::strlen(target) + 8 < PATH_MAX) {
        std::strcpy(tempPath, target);
        std::strcat(tempPath, ".XXXXXX");
        status = write_temp(old, fill, context);
    }
    if (old != nullptr) {
        std::fclose(old);
    }
    if (status == SaveStatus::saved && std::rename(tempPath, target) == 0) {
        tempExists = 0;
        return status;
    }
    if (tempExists != 0) {
        unlink(tempPath);
        tempExists = 0;
    }
    return status == SaveStatus::saved ? SaveStatus::failed : status;
}

SaveStatus save_data_file(const char* path, SaveFiller fill, void* context) {
    PathBuffer target;
    if (!target_of(path, target)) {
        return SaveStatus::failed;
    }
    const int lock = lock_directory(target);
    if (lock < 0) {
        return SaveStatus::failed;
    }
    SavedSignals saved;
    catch_signals(saved);
    const SaveStatus status = save_locked(target, fill, context);
    if (status == SaveStatus::saved) {
        fsync(lock); // the rename itself reaches the disk too
    }
    restore_signals(saved);
    close(lock);
    return status;
}

} // namespace ugraph
