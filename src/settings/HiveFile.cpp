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
// the hive file itself is replaced on every change.
class HiveLock {
public:
    explicit HiveLock(const std::filesystem::path& path)
    {
        fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd_ < 0)
            fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd_ >= 0)
            while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {}
    }
    ~HiveLock()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

private:
    int fd_ = -1;
};

std::filesystem::path WithSuffix(const std::filesystem::path& path, const std::string& suffix)
{
    return std::filesystem::path(path.native() + suffix);
}

// Reads the hive's text; a hive that does not exist yet reads as missing, not as a failure.
bool ReadWholeFile(const std::filesystem::path& path, std::string& text, bool& missing)
{
    missing = false;
    try {
        text = ReadFileBytes(path);
        return true;
    } catch (const std::system_error& e) {
        missing = e.code().value() == ENOENT || e.code().value() == ENOTDIR;
        return missing;
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
    for (int n = 2; std::filesystem::exists(candidate, ec); ++n)
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
    state_.reset(new State{root, HiveLock(WithSuffix(HiveFilePath(root), ".lock")), nullptr, false});
    state_->hive = file.Load();
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
        if (!HiveFile(state_->root).Save(*state_->hive))
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
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    if (!std::filesystem::is_directory(folder_, ec) || !CanWritePath(folder_))
        return false;
    return !std::filesystem::exists(file_, ec) || CanWritePath(file_);
}

HiveBatch::State* HiveFile::Batch() const
{
    return openBatch != nullptr && openBatch->root == root_ ? openBatch : nullptr;
}

RegStatus HiveFile::Inspect(const std::function<void(const HiveKey&)>& inspect) const
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
        const auto root = Load();
        if (root)
            inspect(*root);
        else
            status = RegStatus::CannotWrite;
    }
    ReportPendingProblem();
    return status;
}

RegStatus HiveFile::Change(const std::function<bool(HiveKey&)>& change) const
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
        const auto root = Load();
        if (!root || (change(*root) && !Save(*root)))
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

std::unique_ptr<HiveKey> HiveFile::Load() const
{
    const auto rootName = std::string(RegRootName(root_));
    std::string text;
    bool missing = false;
    if (!ReadWholeFile(file_, text, missing))
        return nullptr;
    if (missing)
        return std::make_unique<HiveKey>(rootName);
    auto parsed = ParseHiveText(text, rootName);
    if (parsed.root)
        return std::move(parsed.root);
    return SetAside("line " + std::to_string(parsed.errorLine) + ": " + parsed.error);
}

std::unique_ptr<HiveKey> HiveFile::SetAside(const std::string& fault) const
{
    static std::set<std::string> reportedStuck;
    const auto aside = FreeCorruptName(file_);
    if (rename(file_.c_str(), aside.c_str()) != 0) {
        if (reportedStuck.insert(FileIdentity(file_)).second)
            pendingProblem_ = "The settings file '" + file_.string() + "' cannot be read (" + fault
                              + ") and cannot be moved aside; settings are neither read nor saved.";
        return nullptr;
    }
    auto empty = std::make_unique<HiveKey>(std::string(RegRootName(root_)));
    Save(*empty);
    pendingProblem_ = "The settings file '" + file_.string() + "' cannot be read (" + fault
                      + "); it was moved to '" + aside.string() + "' and empty settings are used.";
    return empty;
}

bool HiveFile::Save(const HiveKey& root) const
{
    try {
        WriteFileAtomically(file_, WriteHiveText(root, RegRootName(root_)), TemporaryName::FixedUnderLock);
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

} // namespace vireo
