#pragma once

// The four code marks, which the scans list and the replacement turns into calls.

#include <array>
#include <cstddef>
#include <string_view>

namespace vireo {

// One kind of code mark: the text that opens it, the message type it writes and how many
// characters lead from the mark's start to its message.
struct CodeMarkKind {
    // The mark's opening text, upper-cased, such as {T=WARN.
    std::string_view text;
    // The message type written into the call, such as mtWarning.
    std::string_view messageType;
    // Characters from the mark's first character to its message (the mark text and four more).
    std::size_t skip;
    // The message type named through the client unit (Vireo.mtWarning), which no unit used after
    // it can hide; the Pascal reading writes this.
    std::string_view qualifiedType;
};

// The four code marks, in the order they are tested.
inline constexpr std::array<CodeMarkKind, 4> kCodeMarkKinds = {{
    {"{T=GENERAL", "mtGeneral", 14, "Vireo.mtGeneral"},
    {"{T=INFO", "mtInfo", 11, "Vireo.mtInfo"},
    {"{T=WARN", "mtWarning", 11, "Vireo.mtWarning"},
    {"{T=ERROR", "mtError", 12, "Vireo.mtError"},
}};

} // namespace vireo
