#pragma once

#include "intake/TraceInfo.h"
#include "components/TextKeys.h"

namespace vireo {

// Fixed node texts of the message tree.
inline constexpr const char* kNodeAll = "All";
inline constexpr const char* kNodeClass = "Class";
inline constexpr const char* kNodeNoClass = "No Class";
inline constexpr const char* kNodeGroup = "Group";
inline constexpr const char* kNodeNoGroup = "No Group";
inline constexpr const char* kNodeMessageType = "Message Type";
inline constexpr const char* kTypeNames[4] = {"General", "Information", "Warning", "Error"};

// The kinds of name a message teaches the viewer.
enum class NameKind { Class, Group, Computer };

// What one message taught the tree and the filter panels.
struct LearnedSources {
    bool Class = false;    // its class gets a tree node and a Class filter entry
    bool Group = false;    // its group gets a tree node and a Group filter entry
    bool Computer = false; // its computer gets a Computer filter entry (value upper-cased)
};

// Remembers which classes, groups and computers the tree and the filter panels know. A class or
// group is new unless some tree node (fixed or learned) has its text ignoring ASCII case; a
// computer is new unless an entry has its upper-cased name. The cost of one message depends on
// the length of its names only, not on the number of messages or nodes.
class TraceSourceRegistry {
public:
    TraceSourceRegistry();

    // Records the message's class, group and computer; tells which of them were new.
    LearnedSources Learn(const TTraceInfo& message);

    // Forgets everything learned; only the fixed tree nodes remain.
    void Reset();

private:
    bool LearnNodeText(std::string_view text);

    AsciiCaseSet nodeTexts_;
    AsciiCaseSet computers_;
};

} // namespace vireo
