// A user-interface host for tests that records message boxes and runs a
// test's own action at every turn of the event pump, standing in for the
// window events that a user sends in the middle of a walk.
#pragma once

#include <hostui.h>
#include <winuser.h>

#include <functional>
#include <string>
#include <vector>

class PumpingUiHost {
public:
    struct MessageBoxCall {
        std::u16string text;
        std::u16string caption;
        UINT type;
    };

    std::vector<MessageBoxCall> messageBoxes;
    long pumps = 0;
    // Runs at every pump with the pump's number, counted from 1.
    std::function<void(long pump)> onPump;

    PumpingUiHost()
    {
        const PLATFORM_UI_HOST host{this, &OnMessageBox, &OnInputBox, &OnDoEvents};
        SetUiHost(&host);
    }
    ~PumpingUiHost() { SetUiHost(nullptr); }
    PumpingUiHost(const PumpingUiHost&) = delete;
    PumpingUiHost& operator=(const PumpingUiHost&) = delete;

private:
    static PumpingUiHost& Self(void* context) { return *static_cast<PumpingUiHost*>(context); }

    static int OnMessageBox(void* context, LPCWSTR text, LPCWSTR caption, UINT type)
    {
        Self(context).messageBoxes.push_back({text ? text : u"", caption ? caption : u"", type});
        return IDOK;
    }

    static HRESULT OnInputBox(void*, LPCWSTR, LPCWSTR, BSTR* answer)
    {
        *answer = nullptr;
        return S_FALSE;
    }

    static void OnDoEvents(void* context)
    {
        PumpingUiHost& self = Self(context);
        ++self.pumps;
        if (self.onPump) self.onPump(self.pumps);
    }
};
