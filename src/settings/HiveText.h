#pragma once

#include "settings/HiveKey.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vireo {

// The first line of every hive file.
inline constexpr std::string_view HiveTextHeader = "Windows Registry Editor Version 5.00";

// The outcome of parsing a hive's text: the keys, or the line that could not be read and why.
struct HiveParseResult {
    std::unique_ptr<HiveKey> root;  // null when the text could not be parsed
    int errorLine = 0;              // 1-based line of the first fault
    std::string error;              // what is wrong with that line
};

// Parses registry export text whose sections all lie under rootName (e.g. "HKEY_LOCAL_MACHINE").
// An empty text is an empty hive; a section deeper than MaxKeyDepth is a fault. With a focus
// path, only the key there, the keys below it and those leading to it are built (as they are in
// the whole hive); the rest of the text is still checked. Time and memory are linear in the text.
HiveParseResult ParseHiveText(std::string_view text, std::string_view rootName,
                              std::string_view focus = {});

// Writes the keys below root as registry export text: a section for every key that holds values
// or has no sub-keys (so empty keys persist), strings quoted, numbers as dword:, every other value
// as hex bytes.
std::string WriteHiveText(const HiveKey& root, std::string_view rootName);

// The hive text text (which ParseHiveText reads) with its branch at path (not empty) replaced by
// that branch of changed, a tree ParseHiveText built from text for path and then changed there:
// the branch's sections are written where its first one stood (a new branch where the writer
// would put it), every other line keeps its text and place. Empty when text is empty or removes
// keys with [-...] sections: the whole hive must then be written anew.
std::optional<std::string> ReplaceHiveBranchText(std::string_view text, std::string_view rootName,
                                                 const HiveKey& changed, std::string_view path);

} // namespace vireo
