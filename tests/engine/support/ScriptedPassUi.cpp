#include "engine/support/ScriptedPassUi.h"

#include "engine/DiskFullRules.h"

namespace quillarc {

void ScriptedPassUi::setStatus(StatusLine line, const std::string &prefix, const std::string &path, PathFit)
{
    const std::string text = prefix + path;
    if (line == StatusLine::File) {
        fileLine = text;
        fileLines.push_back(text);
    } else {
        folderLine = text;
    }
    if (onStatus)
        onStatus(line, text);
}

bool ScriptedPassUi::confirm(const std::string &text)
{
    questions.push_back(text);
    if (confirmAnswers.empty())
        return false;
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

DiskFullResult ScriptedPassUi::diskFull(const DiskFullRules &rules)
{
    dialogLabels.push_back(rules.currentLabel());
    while (!dialogPresses.empty()) {
        Press press = dialogPresses.front();
        dialogPresses.pop_front();
        if (press.before)
            press.before();
        if (press.button == Press::Ready) {
            const std::string refusal = rules.readyRefusal();
            if (refusal.empty())
                return DiskFullResult::Ready;
            message(refusal);
        } else if (confirm(DiskFullRules::cancelQuestion())) {
            return DiskFullResult::Cancel;
        }
    }
    return DiskFullResult::Cancel;
}

} // namespace quillarc
