// A common dialog for tests: answers come from a script, and every call is
// recorded with the dialog's settings at that moment.
#pragma once

#include "common_dialog.h"

#include <deque>
#include <string>
#include <vector>

class ScriptedCommonDialog : public CommonDialog {
public:
    struct Call {
        bool save;
        int32_t flags;
        std::u16string filter;
        std::string proposed;
    };

    // Answers for the coming dialogs, in order; an empty answer is a cancel.
    std::deque<std::string> answers;
    std::vector<Call> calls;

    std::string ShowOpen() override { return Answer(false); }
    std::string ShowSave() override { return Answer(true); }

private:
    std::string Answer(bool save)
    {
        calls.push_back({save, flags, filter, fileName});
        std::string path;
        if (!answers.empty()) {
            path = answers.front();
            answers.pop_front();
        }
        if (!path.empty()) fileName = path;
        return path;
    }
};
