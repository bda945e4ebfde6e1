#include "settings/HiveFile.h"

#include "settings/HiveText.h"

#include "components/FileIO.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <iostream>
#include <mutex>
#include <set>
#include <system_error>
#include <utility>

namespace vireo {

namespace {

std::mutex reporterMutex;
HiveProblemReporter reporter;

bool CanWritePath(const std::filesystem::path& path)
{
    return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

// Holds the hive's advisory lock for its lifetime. The lock lives in a file of its own because
// the hive file itself is replaced on every change. A lock file that is a symbolic link is
// refused, so that the lock cannot be moved to a file other writers do not lock.
class HiveLock {
public:
    explicit HiveLock(const std::filesystem::path& path)
    {
        fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
        if (fd_ < 0)
            fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd_ < 0) {
            error_ = errno;
            return;
        }
        while (flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                error_ = errno;
                close(std::exchange(fd_, -1));
                return;
            }
        }
    }
    ~HiveLock()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

    // Whether the lock is held: without it the hive may be read but never changed.
    bool Held() const { return fd_ >= 0; }
    // Why the lock is not held.
    std::string Error() const { return std::generic_category().message(error_); }

private:
    int fd_ = -1;
    int error_ = 0;
};

std::filesystem::path WithSuffix(const std::filesystem::path& path, const std::string& suffix)
{
    return std::filesystem::path(path.native() + suffix);
}

// How reading the hive's text went.
enum class ReadOutcome { Read, Missing, Unreadable, Failed };

// Reads the hive's text without blocking and within MaxHiveFileBytes. A hive that does not exist
// yet is missing; one that is no regular file, too large or forbidden is unreadable (it should
// be moved aside); any other failure may pass. fault tells why.
ReadOutcome ReadHiveText(const std::filesystem::path& path, std::string& text, std::string& fault)
{
    try {
        text = ReadFileBytes(path, MaxHiveFileBytes);
        return ReadOutcome::Read;
    } catch (const std::system_error& e) {
        text.clear();
        switch (e.code().value()) {
        case ENOENT:
        case ENOTDIR:
            return ReadOutcome::Missing;
        case EISDIR:
            fault = "it is a folder";
            return ReadOutcome::Unreadable;
        case EINVAL:
            fault = "it is not a regular file";
            return ReadOutcome::Unreadable;
        case EFBIG:
            fault = "it holds more than " + std::to_string(MaxHiveFileBytes >> 20) + " MB";
            return ReadOutcome::Unreadable;
        case EACCES:
        case EPERM:
        case ELOOP:
            fault = e.code().message();
            return ReadOutcome::Unreadable;
        default:
            fault = e.code().message();
            return ReadOutcome::Failed;
        }
    }
}

std::string UtcStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
    return text;
}

// A name for the set-aside copy that no earlier copy has taken.
std::filesystem::path FreeCorruptName(const std::filesystem::path& file)
{
    const auto base = WithSuffix(file, ".corrupt." + UtcStamp());
    auto candidate = base;
    std::error_code ec;
    for (int n = 2; std::filesystem::exists(std::filesystem::symlink_status(candidate, ec)); ++n)
        candidate = WithSuffix(base, "-" + std::to_string(n));
    return candidate;
}

// Identifies one state of a file, so a hive that cannot be moved aside is reported only once.
std::string FileIdentity(const std::filesystem::path& file)
{
    struct stat info {};
    if (stat(file.c_str(), &info) != 0)
        return file.native();
    return file.native() + ':' + std::to_string(info.st_ino) + ':' + std::to_string(info.st_size)
           + ':' + std::to_string(info.st_mtim.tv_sec) + '.' + std::to_string(info.st_mtim.tv_nsec);
}

} // namespace

struct HiveBatch::State {
    RegRoot root;
    HiveLock lock;
    std::unique_ptr<HiveKey> hive; // null when the hive could not be read
    bool changed = false;
};

namespace {
// The batch this thread has open, if any.
thread_local HiveBatch::State* openBatch = nullptr;
} // namespace

HiveBatch::HiveBatch(RegRoot root)
{
    if (openBatch != nullptr && openBatch->root == root)
        return; // joins the batch already open
    const HiveFile file(root);
    file.CreateFolder(); // a first save needs the folder for its lock file
    state_.reset(new State{root, HiveLock(WithSuffix(HiveFilePath(root), ".lock")), nullptr, false});
    std::string text;
    state_->hive = file.Load({}, text, state_->lock.Held());
    file.ReportPendingProblem();
    openBatch = state_.get();
}

HiveBatch::~HiveBatch()
{
    if (state_ && openBatch == state_.get())
        openBatch = nullptr;
}

RegStatus HiveBatch::Commit()
{
    if (!state_)
        return RegStatus::Ok;
    if (!state_->hive)
        return RegStatus::CannotWrite;
    if (state_->changed) {
        const HiveFile file(state_->root);
        if (!state_->lock.Held()) {
            file.ReportLockRefused(state_->lock.Error());
            file.ReportPendingProblem();
            return RegStatus::CannotWrite;
        }
        if (!file.Save(*state_->hive))
            return RegStatus::CannotWrite;
        state_->changed = false;
    }
    return RegStatus::Ok;
}

void SetHiveProblemReporter(HiveProblemReporter newReporter)
{
    const std::lock_guard guard(reporterMutex);
    reporter = std::move(newReporter);
}

void ReportHiveProblem(const std::string& message)
{
    HiveProblemReporter current;
    {
        const std::lock_guard guard(reporterMutex);
        current = reporter;
    }
    if (current)
        current(message);
    else
        std::cerr << "Vireo: " << message << std::endl;
}

HiveFile::HiveFile(RegRoot root)
    : root_(root), folder_(RegistryFolder()), file_(HiveFilePath(root))
{
}

bool HiveFile::CanWrite() const
{
    if (!CreateFolder() || !CanWritePath(folder_))
        return false;
    std::error_code ec;
    return !std::filesystem::exists(file_, ec) || CanWritePath(file_);
}

bool HiveFile::CreateFolder() const
{
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    return std::filesystem::is_directory(folder_, ec);
}

HiveBatch::State* HiveFile::Batch() const
{
    return openBatch != nullptr && openBatch->root == root_ ? openBatch : nullptr;
}

RegStatus HiveFile::Inspect(std::string_view path, const std::function<void(const HiveKey&)>& inspect) const
{
    if (HiveBatch::State* batch = Batch()) {
        if (!batch->hive)
            return RegStatus::CannotWrite;
        inspect(*batch->hive);
        return RegStatus::Ok;
    }
    RegStatus status = RegStatus::Ok;
    {
        const HiveLock lock(WithSuffix(file_, ".lock"));
        std::string text;
        const auto root = Load(path, text, lock.Held());
        if (root)
            inspect(*root);
        else
            status = RegStatus::CannotWrite;
    }
    ReportPendingProblem();
    return status;
}

RegStatus HiveFile::Change(std::string_view path, const std::function<bool(HiveKey&)>& change) const
{
    if (!CanWrite())
        return RegStatus::CannotWrite;
    if (HiveBatch::State* batch = Batch()) {
        if (!batch->hive)
            return RegStatus::CannotWrite;
        if (change(*batch->hive))
            batch->changed = true;
        return RegStatus::Ok;
    }
    RegStatus status = RegStatus::Ok;
    {
        const HiveLock lock(WithSuffix(file_, ".lock"));
        std::string text;
        if (!lock.Held())
            ReportLockRefused(lock.Error());
        const auto root = lock.Held() ? Load(path, text, true) : nullptr;
        if (!root || (change(*root) && !SaveBranch(*root, path, text)))
            status = RegStatus::CannotWrite;
    }
    ReportPendingProblem();
    return status;
}

void HiveFile::ReportPendingProblem() const
{
    if (!pendingProblem_.empty())
        ReportHiveProblem(std::exchange(pendingProblem_, {}));
}

std::unique_ptr<HiveKey> HiveFile::Load(std::string_view path, std::string& text, bool locked) const
{
    const auto rootName = std::string(RegRootName(root_));
    std::string fault;
    switch (ReadHiveText(file_, text, fault)) {
    case ReadOutcome::Missing:
        return std::make_unique<HiveKey>(rootName);
    case ReadOutcome::Unreadable:
        return locked ? SetAside(fault) : CannotRead(fault);
    case ReadOutcome::Failed:
        return CannotRead(fault);
    case ReadOutcome::Read:
        break;
    }
    auto parsed = ParseHiveText(text, rootName, path);
    if (parsed.root)
        return std::move(parsed.root);
    text.clear();
    fault = "line " + std::to_string(parsed.errorLine) + ": " + parsed.error;
    return locked ? SetAside(fault) : CannotRead(fault);
}

std::unique_ptr<HiveKey> HiveFile::CannotRead(const std::string& fault) const
{
    ReportOnce("The settings file '" + file_.string() + "' cannot be read (" + fault
               + "); settings are neither read nor saved.");
    return nullptr;
}

void HiveFile::ReportLockRefused(const std::string& reason) const
{
    ReportOnce("The settings lock file '" + WithSuffix(file_, ".lock").string() + "' cannot be taken (" + reason
               + "); settings are not saved.");
}

void HiveFile::ReportOnce(const std::string& problem) const
{
    static std::set<std::string> reported;
    if (reported.insert(FileIdentity(file_)).second)
        pendingProblem_ = problem;
}

std::unique_ptr<HiveKey> HiveFile::SetAside(const std::string& fault) const
{
    const auto aside = FreeCorruptName(file_);
    if (rename(file_.c_str(), aside.c_str()) != 0) {
        ReportOnce("The settings file '" + file_.string() + "' cannot be read (" + fault
                   + ") and cannot be moved aside; settings are neither read nor saved.");
        return nullptr;
    }
    auto empty = std::make_unique<HiveKey>(std::string(RegRootName(root_)));
    Save(*empty);
    pendingProblem_ = "The settings file '" + file_.string() + "' cannot be read (" + fault
                      + "); it was moved to '" + aside.string() + "' and empty settings are used.";
    return empty;
}

bool HiveFile::SaveBranch(HiveKey& changed, std::string_view path, std::string& text) const
{
    if (SplitKeyPath(path).empty())
        return Save(changed);
    if (auto spliced = ReplaceHiveBranchText(text, RegRootName(root_), changed, path)) {
        std::string().swap(text);
        return SaveText(*spliced);
    }
    const auto whole = ParseHiveText(text, RegRootName(root_)).root;
    std::string().swap(text);
    if (!whole)
        return false;
    ReplaceBranch(*whole, changed, path);
    return Save(*whole);
}

bool HiveFile::Save(const HiveKey& root) const
{
    return SaveText(WriteHiveText(root, RegRootName(root_)));
}

bool HiveFile::SaveText(const std::string& text) const
{
    if (text.size() > MaxHiveFileBytes)
        return false;
    try {
        WriteFileAtomically(file_, text);
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

} // namespace vireo
