#include "viewer/session/TraceSources.h"

namespace vireo {

TraceSourceRegistry::TraceSourceRegistry()
{
    Reset();
}

void TraceSourceRegistry::Reset()
{
    nodeTexts_.clear();
    computers_.clear();
    for (const char* text : {kNodeAll, kNodeClass, kNodeNoClass, kNodeGroup, kNodeNoGroup,
                             kNodeMessageType})
        nodeTexts_.emplace(text);
    for (const char* text : kTypeNames)
        nodeTexts_.emplace(text);
}

bool TraceSourceRegistry::LearnNodeText(std::string_view text)
{
    if (text.empty() || nodeTexts_.find(text) != nodeTexts_.end())
        return false;
    nodeTexts_.emplace(text);
    return true;
}

LearnedSources TraceSourceRegistry::Learn(const TTraceInfo& message)
{
    LearnedSources learned;
    // The group search runs after the class is added, so it sees a class node just made.
    learned.Class = LearnNodeText(message.ClassName.view());
    learned.Group = LearnNodeText(message.MessageGroup.view());
    const std::string_view computer = message.ComputerName.view();
    if (computers_.find(computer) == computers_.end()) {
        computers_.emplace(computer);
        learned.Computer = true;
    }
    return learned;
}

} // namespace vireo
