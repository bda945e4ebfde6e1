#pragma once

#include "settings/HiveKey.h"
#include "settings/RegistryHive.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace vireo {

// The most a hive file may hold: a larger one is not read (it is unreadable), none is written.
inline constexpr std::size_t MaxHiveFileBytes = std::size_t{128} << 20;

// The hive file of one root key. Every call takes the hive's advisory lock, reads the file
// afresh and, for a change, replaces it atomically (temporary file beside it, flushed, renamed);
// inside a HiveBatch of this thread, calls work on the batch's copy instead.
// A file that cannot be read (not parsed, too deep, too large, not a regular file) is moved aside
// under a time-stamped ".corrupt" name, reported once, and replaced by an empty hive. Calls name
// the key they concern, so that only its branch of the hive is built.
class HiveFile {
public:
    // The hive of root inside RegistryFolder().
    explicit HiveFile(RegRoot root);

    // Whether the hive's folder (created when missing) and its file, when there is one, can be
    // written by this process.
    bool CanWrite() const;

    // Shows inspect the hive's current keys, of which those outside the key at path and the
    // keys leading to it may be missing; CannotWrite when the hive cannot be read.
    RegStatus Inspect(std::string_view path, const std::function<void(const HiveKey&)>& inspect) const;

    // Lets change edit the key at path and below it (creating keys leading there), and writes the
    // hive back when it returns true; CannotWrite when the hive cannot be read or written or its
    // lock cannot be taken (the file then stays as it was, and the lock's failure is reported).
    RegStatus Change(std::string_view path, const std::function<bool(HiveKey&)>& change) const;

private:
    friend class HiveBatch;
    // Creates the hive's folder when missing; whether it is there now.
    bool CreateFolder() const;
    // The batch this thread has open on this hive, if any.
    HiveBatch::State* Batch() const;
    // The hive's keys at path and leading there; text receives the file's text (empty for none).
    // Only a caller holding the lock (locked) may have an unreadable file moved aside.
    std::unique_ptr<HiveKey> Load(std::string_view path, std::string& text, bool locked) const;
    // Reports that the file cannot be read, for the reason fault; returns no hive.
    std::unique_ptr<HiveKey> CannotRead(const std::string& fault) const;
    // Reports that a change is refused because the hive's lock cannot be taken, for reason.
    void ReportLockRefused(const std::string& reason) const;
    std::unique_ptr<HiveKey> SetAside(const std::string& fault) const;
    // Reports a problem with the file as it is now, unless this state of it was reported before.
    void ReportOnce(const std::string& problem) const;
    // Saves a change to the branch at path of changed, which Load built from text (freed then):
    // the branch's text replaces its old text, or else the whole hive is parsed again from text
    // and takes the changed branch.
    bool SaveBranch(HiveKey& changed, std::string_view path, std::string& text) const;
    bool Save(const HiveKey& root) const;
    // Replaces the file with text, unless it is larger than the reading limit.
    bool SaveText(const std::string& text) const;
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
