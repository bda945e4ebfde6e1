#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace vireo {

// Follows the conditional compilation directives of a text ({$ifdef}, {$ifndef}, {$if}, {$elseif},
// {$else}, {$endif}, {$ifend}, {$define}, {$undef}, {$mode}) with the symbols Free Pascal 3.2.2
// defines on x86-64 Linux, so that text in a branch the compiler skips is not read as Pascal. A
// condition it cannot decide (declared(), sizeof(), an unknown macro) leaves every branch of that
// directive active, as if there were none.
class PascalConditions {
public:
    PascalConditions();

    // Takes one directive, its text from the "$" on without the closing brace or "*)".
    // Returns whether it is a conditional one (it opens, switches or closes a branch).
    bool Take(std::string_view directive);
    // Whether the text at this point is compiled.
    bool Active() const;

private:
    // Where a conditional directive's branches stand.
    enum class Branch { Taking, Taken, Waiting, Undecided };

    // The branch to start for a condition that is true, false or undecided (-1).
    static Branch Start(int condition);
    // 1, 0, or -1 when it cannot be decided.
    int Evaluate(std::string_view expression) const;
    void Open(int condition);
    void Alternative(std::string_view expression, bool unconditional);

    std::unordered_set<std::string> defined_;
    // Open conditional directives, outermost first, each with whether the text around it is active.
    struct Level {
        bool outerActive;
        Branch branch;
    };
    std::vector<Level> levels_;
};

} // namespace vireo
