// A user-interface host for tests: message boxes are recorded, prompt
// answers come from a script (std::nullopt is a cancel, and so is running
// out of answers), and the event pump is counted and can run a test's own
// action, standing in for what a user does in the middle of an operation.
#pragma once

#include <uihost.h>
#include <winuser.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class ScriptedUiHost {
public:
    struct MessageBoxCall {
        std::u16string text;
        std::u16string caption;
        UINT type;
    };
    struct PromptCall {
        std::u16string prompt;
        std::u16string title;
    };

    std::deque<std::optional<std::u16string>> answers;
    std::vector<MessageBoxCall> messageBoxes;
    std::vector<PromptCall> prompts;
    long doEventsCalls = 0;
    // Runs at every turn of the event pump with its number, counted from 1.
    std::function<void(long)> onDoEvents;

    ScriptedUiHost()
    {
        const PLATFORM_UI_HOST host{this, &OnMessageBox, &OnInputBox, &OnDoEvents};
        SetUiHost(&host);
    }
    ~ScriptedUiHost() { SetUiHost(nullptr); }
    ScriptedUiHost(const ScriptedUiHost&) = delete;
    ScriptedUiHost& operator=(const ScriptedUiHost&) = delete;

private:
    static ScriptedUiHost& Self(void* context) { return *static_cast<ScriptedUiHost*>(context); }

    static int OnMessageBox(void* context, LPCWSTR text, LPCWSTR caption, UINT type)
    {
        Self(context).messageBoxes.push_back({text ? text : u"", caption ? caption : u"", type});
        return IDOK;
    }

    static HRESULT OnInputBox(void* context, LPCWSTR prompt, LPCWSTR title, BSTR* answer)
    {
        ScriptedUiHost& self = Self(context);
        self.prompts.push_back({prompt ? prompt : u"", title ? title : u""});
        *answer = nullptr;
        if (self.answers.empty()) return S_FALSE;
        std::optional<std::u16string> next = std::move(self.answers.front());
        self.answers.pop_front();
        if (!next) return S_FALSE;
        *answer = SysAllocStringLen(next->data(), static_cast<UINT>(next->size()));
        return *answer ? S_OK : E_OUTOFMEMORY;
    }

    static BOOL OnDoEvents(void* context)
    {
        ScriptedUiHost& self = Self(context);
        ++self.doEventsCalls;
        if (self.onDoEvents) self.onDoEvents(self.doEventsCalls);
        return TRUE;
    }
};
