#include "engine/support/ScriptedPassUi.h"

#include "engine/DiskFullRules.h"

namespace quillarc {

void ScriptedPassUi::Echo::setStatus(StatusLine line, const std::string &prefix, const std::string &path, PathFit)
{
    const std::string text = prefix + path;
    if (line == StatusLine::File) {
        ui_.fileLine = text;
        ui_.fileLines.push_back(text);
    } else {
        ui_.folderLine = text;
    }
    if (ui_.onStatus)
        ui_.onStatus(line, text);
}

void ScriptedPassUi::setStatus(StatusLine line, const std::string &prefix, const std::string &path, PathFit)
{
    (line == StatusLine::File ? deliveredFileLine : deliveredFolderLine) = prefix + path;
}

bool ScriptedPassUi::confirm(const std::string &text)
{
    questions.push_back(text);
    if (onQuestion)
        onQuestion(text);
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
