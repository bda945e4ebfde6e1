#pragma once

#include "settings/HiveKey.h"
#include "settings/RegistryHive.h"

#include <filesystem>
#include <functional>
#include <string>

namespace vireo {

// The hive file of one root key. Every call takes the hive's advisory lock, reads the file
// afresh and, for a change, replaces it atomically (temporary file beside it, flushed, renamed);
// inside a HiveBatch of this thread, calls work on the batch's copy instead.
// A file that cannot be parsed is moved aside under a time-stamped ".corrupt" name, reported
// once, and replaced by an empty hive.
class HiveFile {
public:
    // The hive of root inside RegistryFolder().
    explicit HiveFile(RegRoot root);

    // Whether the hive's folder (created when missing) and its file, when there is one, can be
    // written by this process.
    bool CanWrite() const;

    // Shows the hive's current keys to inspect; CannotWrite when the hive cannot be read.
    RegStatus Inspect(const std::function<void(const HiveKey&)>& inspect) const;

    // Lets change edit the hive's current keys and writes them back when it returns true;
    // CannotWrite when the hive cannot be read or written (the file then stays as it was).
    RegStatus Change(const std::function<bool(HiveKey&)>& change) const;

private:
    friend class HiveBatch;
    // The batch this thread has open on this hive, if any.
    HiveBatch::State* Batch() const;
    std::unique_ptr<HiveKey> Load() const;
    std::unique_ptr<HiveKey> SetAside(const std::string& fault) const;
    bool Save(const HiveKey& root) const;
    // Reports a set-aside hive once the lock is released, so the receiver may take its time.
    void ReportPendingProblem() const;

    RegRoot root_;
    std::filesystem::path folder_;
    std::filesystem::path file_;
    mutable std::string pendingProblem_;
};

// Reports a hive problem through the reporter installed with SetHiveProblemReporter.
void ReportHiveProblem(const std::string& message);

} // namespace vireo
