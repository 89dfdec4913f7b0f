// The configuration dialog of K7.dll under wine: opened by the Config entry
// point from the module's own template, driven from a thread timer as a user
// would, with the profile file showing what OK and Escape left.
#include <objbase.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "device/win32/win32_windows.h"
#include "host/host_abi.h"
#include "host/host_string.h"
#include "tests/support/module_host.h"
#include "tests/win32/dialog_driver.h"
#include "ui/dialog_template.h"

namespace k7::test {
namespace {

class SettingsDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // The host runs its plug-ins with COM started: the profile store needs it.
        comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        module_ = LoadLibraryA(K7_MODULE_PATH);
        ASSERT_NE(module_, nullptr) << "LoadLibrary error " << GetLastError();
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        profile_ = std::string(temp) + "k7-dialog-" + std::to_string(GetCurrentProcessId()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".xml";
    }
    void TearDown() override {
        DeleteFileA(profile_.c_str());
        if (module_ != nullptr) FreeLibrary(module_);
        if (comStarted_) CoUninitialize();
    }

  public:
    template <typename F>
    F Entry(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

  protected:
    // Writes the profile, names it to the module, and runs Config with the
    // driver's steps playing the user.
    void Configure(const std::string& settings, std::vector<DialogDriver::Step> steps) {
        std::ofstream(profile_) << "<profile><Ravlen_K7_Pendant>" << settings
                                << "</Ravlen_K7_Pendant></profile>";
        Entry<SetProNameFn>("SetProName")(HostStringCreate(profile_.c_str()));
        DialogDriver driver(std::move(steps));
        Entry<VoidFn>("Config")();
        EXPECT_FALSE(driver.timedOut()) << "stopped after step " << driver.stepsDone();
        EXPECT_TRUE(driver.finished());
    }

    std::string Profile() const {
        std::ifstream in(profile_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string Written(const std::string& key) const {
        const std::string text = Profile();
        const std::string open = "<" + key + ">";
        const auto at = text.find(open);
        if (at == std::string::npos) return "(absent)";
        const auto end = text.find("</" + key + ">", at);
        return text.substr(at + open.size(), end - at - open.size());
    }

    bool comStarted_ = false;
    HMODULE module_ = nullptr;
    std::string profile_;
    HWND dialog = nullptr;
};

std::string Text(HWND dialog, int id) {
    char text[256] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

int Count(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0));
}

int Selection(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}

std::string SelectedLabel(HWND dialog, int id) {
    const int selected = Selection(dialog, id);
    if (selected < 0) return "(no selection)";
    char text[256] = {};
    SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(text));
    return text;
}

LONG_PTR Style(HWND window) {
    return GetWindowLongPtrA(window, GWL_STYLE);
}

DialogDriver::Step WaitForDialog(HWND& dialog) {
    return [&dialog] { return (dialog = DialogDriver::SettingsWindow()) != nullptr; };
}

DialogDriver::Step Press(HWND& dialog, int command) {
    return [&dialog, command] {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
        return true;
    };
}

// The bitmap statics of the template, each showing its image.
int ShownBitmaps(HWND dialog) {
    int shown = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if ((Style(child) & SS_TYPEMASK) != SS_BITMAP) continue;
        if (SendMessageA(child, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0) ++shown;
    }
    return shown;
}

TEST_F(SettingsDialogTest, OpensFromTheTemplateShowingTheProfileValues) {
    Configure("<OEM2>1021</OEM2><BUTTON1>75</BUTTON1><Yreverse>1</Yreverse>",
              {WaitForDialog(dialog),
               [this] {
                   char caption[64] = "x";
                   GetWindowTextA(dialog, caption, sizeof caption);
                   EXPECT_STREQ(caption, "");
                   EXPECT_EQ(Style(dialog) & WS_SYSMENU, 0);
                   EXPECT_EQ(GetDlgItem(dialog, IDCANCEL), nullptr);
                   EXPECT_EQ(GetFocus(), GetDlgItem(dialog, kOkId));
                   EXPECT_EQ(Text(dialog, kOemEdits[1]), "1021");
                   EXPECT_EQ(Text(dialog, kStepJogRateEdit), "100");
                   EXPECT_EQ(Text(dialog, kDelayStepsEdit), "25");
                   EXPECT_EQ(Text(dialog, kMacroEdits[3]), "0");
                   EXPECT_EQ(Count(dialog, kVelocityBox), 10);
                   EXPECT_EQ(SelectedLabel(dialog, kVelocityBox), "3");
                   EXPECT_EQ(Count(dialog, kButtonBoxes[0]), 70);
                   EXPECT_EQ(SelectedLabel(dialog, kButtonBoxes[0]), " NONE");
                   EXPECT_EQ(Selection(dialog, kButtonBoxes[1]), CB_ERR);
                   EXPECT_EQ(Count(dialog, kScreenBoxes[2]), 7);
                   EXPECT_EQ(SelectedLabel(dialog, kScreenBoxes[2]),
                             " screen 4 (Toolpath screen)    ");
                   EXPECT_EQ(Count(dialog, kStepBoxes[0]), 5);
                   EXPECT_EQ(SelectedLabel(dialog, kStepBoxes[0]), "0.0001");
                   EXPECT_EQ(IsDlgButtonChecked(dialog, kReverseChecks[1]), BST_CHECKED);
                   EXPECT_EQ(IsDlgButtonChecked(dialog, kReverseChecks[0]), BST_UNCHECKED);
                   EXPECT_EQ(ShownBitmaps(dialog), 6);
                   return true;
               },
               Press(dialog, IDCANCEL)});
    EXPECT_EQ(Written("OEM2"), "1021");
    EXPECT_EQ(Written("BUTTON1"), "75");
    EXPECT_EQ(Written("Vel"), "2");
}

// A child window against its entry of the control table: id, text, place,
// size and the styles that matter.
void ExpectControlAsInTable(HWND dialog, HWND control, const DialogControl& c) {
    const std::string name = std::string(c.text) + " #" + std::to_string(c.id);
    EXPECT_EQ(GetDlgCtrlID(control), c.id) << name;
    if (c.kind == ControlKind::Label || c.kind == ControlKind::CheckBox ||
        c.kind == ControlKind::PushButton) {
        char text[128] = {};
        GetWindowTextA(control, text, sizeof text);
        EXPECT_STREQ(text, c.text) << name;
    }
    // Position and size are each converted from dialog units.
    RECT expected{c.x, c.y, c.width, c.height};
    MapDialogRect(dialog, &expected);
    RECT actual{};
    GetWindowRect(control, &actual);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, expected.left) << name;
    EXPECT_EQ(actual.top, expected.top) << name;
    // An image takes its bitmap's size; a combo box shows closed.
    if (c.kind == ControlKind::Image) {
        EXPECT_EQ((Style(control) & SS_TYPEMASK), SS_BITMAP) << name;
        return;
    }
    EXPECT_EQ(actual.right - actual.left, expected.right) << name;
    if (c.kind == ControlKind::ComboBox) {
        EXPECT_EQ(Style(control) & 3, CBS_DROPDOWN) << name;
        EXPECT_EQ(Style(control) & CBS_SORT, 0) << name;
        return;
    }
    EXPECT_EQ(actual.bottom - actual.top, expected.bottom) << name;
    if (c.kind == ControlKind::Edit) {
        EXPECT_EQ((Style(control) & ES_CENTER) != 0, c.centred) << name;
    }
    if (c.kind == ControlKind::CheckBox) {
        EXPECT_EQ(Style(control) & BS_TYPEMASK, BS_AUTOCHECKBOX) << name;
    }
    if (c.kind == ControlKind::GroupFrame) {
        EXPECT_EQ(Style(control) & BS_TYPEMASK, BS_GROUPBOX) << name;
    }
}

TEST_F(SettingsDialogTest, ControlsStandWhereTheTableSaysInTabOrder) {
    Configure("", {WaitForDialog(dialog),
                   [this] {
                       std::vector<int> tabOrder;
                       HWND child = GetWindow(dialog, GW_CHILD);
                       for (const DialogControl& c : kDialogControls) {
                           if (child == nullptr) {
                               ADD_FAILURE() << "missing control " << c.text << " #" << c.id;
                               break;
                           }
                           ExpectControlAsInTable(dialog, child, c);
                           if (c.id != kNoId) tabOrder.push_back(c.id);
                           child = GetWindow(child, GW_HWNDNEXT);
                       }
                       EXPECT_EQ(child, nullptr) << "a control the table does not have";
                       // Tab from OK visits the controls in template order.
                       HWND at = GetDlgItem(dialog, kOkId);
                       for (std::size_t i = 1; i < tabOrder.size(); ++i) {
                           at = GetNextDlgTabItem(dialog, at, FALSE);
                           EXPECT_EQ(GetDlgCtrlID(at), tabOrder[i]) << "tab stop " << i;
                       }
                       return true;
                   },
                   Press(dialog, IDCANCEL)});
}

TEST_F(SettingsDialogTest, OkAppliesTheControlsAndEscapeDoesNot) {
    Configure("<OEM2>1021</OEM2><BUTTON1>75</BUTTON1>",
              {WaitForDialog(dialog),
               [this] {
                   SetDlgItemTextA(dialog, kOemEdits[1], "5");
                   SetDlgItemTextA(dialog, kDelayStepsEdit, "7");
                   CheckDlgButton(dialog, kReverseChecks[2], BST_CHECKED);
                   return true;
               },
               Press(dialog, IDCANCEL)});
    EXPECT_EQ(Written("OEM2"), "1021");
    EXPECT_EQ(Written("DelaySteps"), "25");
    EXPECT_EQ(Written("Zreverse"), "0");

    dialog = nullptr;
    Configure("<OEM2>1021</OEM2><BUTTON1>75</BUTTON1>",
              {WaitForDialog(dialog),
               [this] {
                   SetDlgItemTextA(dialog, kStepJogRateEdit, "12abc");
                   SetDlgItemTextA(dialog, kMacroEdits[0], "40000");
                   SendDlgItemMessageA(dialog, kButtonBoxes[0], CB_SETCURSEL, 6, 0);
                   CheckDlgButton(dialog, kReverseChecks[0], BST_CHECKED);
                   return true;
               },
               Press(dialog, IDOK)});
    EXPECT_EQ(Written("StepJogRate"), "12");
    EXPECT_EQ(Written("Macro1"), "-25536");
    EXPECT_EQ(Written("BUTTON0"), "6");
    EXPECT_EQ(Written("BUTTON1"), "-1");  // shown without a selection
    EXPECT_EQ(Written("Xreverse"), "1");
    EXPECT_EQ(Written("OEM2"), "1021");
}

TEST_F(SettingsDialogTest, EnterInAnEditActsAsOk) {
    Configure("", {WaitForDialog(dialog), [this] {
                       const HWND edit = GetDlgItem(dialog, kOemEdits[3]);
                       SetWindowTextA(edit, "816");
                       SetFocus(edit);
                       PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
                       PostMessageA(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
                       return true;
                   }});
    EXPECT_EQ(Written("OEM4"), "816");
}

TEST_F(SettingsDialogTest, AnEditWithoutAnIntegerShowsTheMessageAndKeepsTheDialogOpen) {
    HWND box = nullptr;
    Configure("", {WaitForDialog(dialog),
                   [this] {
                       SetDlgItemTextA(dialog, kMacroEdits[1], "7");
                       SetDlgItemTextA(dialog, kStepJogRateEdit, "abc");
                       return true;
                   },
                   Press(dialog, IDOK),
                   [&box] {
                       return (box = DialogDriver::MessageBoxWith("Please enter an integer.")) !=
                              nullptr;
                   },
                   [&box] {
                       char title[64] = {};
                       GetWindowTextA(box, title, sizeof title);
                       EXPECT_STREQ(title, "K7");
                       PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                       return true;
                   },
                   [&box] { return !IsWindow(box); },
                   [this] {
                       EXPECT_TRUE(IsWindowVisible(dialog));
                       const HWND edit = GetDlgItem(dialog, kStepJogRateEdit);
                       EXPECT_EQ(GetFocus(), edit);
                       DWORD start = 99, end = 99;
                       SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                                    reinterpret_cast<LPARAM>(&end));
                       EXPECT_EQ(start, 0u);
                       EXPECT_EQ(end, 3u);
                       return true;
                   },
                   Press(dialog, IDCANCEL)});
    EXPECT_NE(box, nullptr);
    EXPECT_EQ(Written("StepJogRate"), "100");
    EXPECT_EQ(Written("Macro2"), "0");
}

// The WM_TIMER messages the plug-in's hidden window receives, counted by
// subclassing it.
class TimerCounter {
  public:
    explicit TimerCounter(HWND window) : window_(window) {
        original_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Count)));
    }
    ~TimerCounter() {
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
    }
    TimerCounter(const TimerCounter&) = delete;
    TimerCounter& operator=(const TimerCounter&) = delete;
    static int ticks() { return ticks_; }

  private:
    static LRESULT CALLBACK Count(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_TIMER) ++ticks_;
        return CallWindowProcA(original_, window, message, wParam, lParam);
    }
    HWND window_;
    static inline WNDPROC original_ = nullptr;
    static inline int ticks_ = 0;
};

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// With the host's main frame around its view, the dialog is the frame's modal
// dialog: the frame is disabled while it runs and enabled and active after
// it, a second Config meanwhile returns at once and changes nothing, and the
// plug-in's window keeps ticking.
TEST_F(SettingsDialogTest, TheHostWindowOwnsTheDialogAndASecondConfigIsRefused) {
    const HWND frame = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                       320, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(frame, nullptr) << "no window without a display";
    const HWND view = CreateWindowExA(0, "STATIC", "view", WS_CHILD | WS_VISIBLE, 0, 0, 300, 150,
                                      frame, nullptr, nullptr, nullptr);
    ModuleHostBlocks blocks;
    WriteField(blocks.view.data(), offsets::kViewWindowHandle, view);
    std::ofstream(profile_)
        << "<profile><Ravlen_K7_Pendant><Vel>4</Vel></Ravlen_K7_Pendant></profile>";
    Entry<SetProNameFn>("SetProName")(HostStringCreate(profile_.c_str()));
    InstallCallbacks(*this);
    ASSERT_TRUE(CallInitControl(*this, blocks));
    Entry<VoidFn>("PostInitControl")();
    const HWND pendantWindow = FindWindowExA(view, nullptr, kPendantWindowClass, nullptr);
    ASSERT_NE(pendantWindow, nullptr);
    TimerCounter timer(pendantWindow);
    SetActiveWindow(frame);
    ASSERT_EQ(GetActiveWindow(), frame);

    int ticksAtOpen = 0;
    DialogDriver driver({WaitForDialog(dialog),
                         [&] {
                             EXPECT_EQ(GetWindow(dialog, GW_OWNER), frame);
                             EXPECT_FALSE(IsWindowEnabled(frame));
                             const std::string before = FileBytes(profile_);
                             SetDlgItemTextA(dialog, kOemEdits[0], "11");
                             Entry<VoidFn>("Config")();  // returns at once
                             EXPECT_EQ(DialogDriver::ThreadDialogs().size(), 1u);
                             EXPECT_EQ(FileBytes(profile_), before);
                             ticksAtOpen = TimerCounter::ticks();
                             return true;
                         },
                         [&] { return TimerCounter::ticks() >= ticksAtOpen + 4; },
                         Press(dialog, IDOK)});
    Entry<VoidFn>("Config")();
    EXPECT_FALSE(driver.timedOut()) << "stopped after step " << driver.stepsDone();
    EXPECT_TRUE(driver.finished());
    EXPECT_TRUE(IsWindowEnabled(frame));
    EXPECT_EQ(GetActiveWindow(), frame);
    EXPECT_EQ(Written("OEM1"), "11");
    EXPECT_EQ(Written("Vel"), "4");

    // Closed, the dialog opens again.
    dialog = nullptr;
    DialogDriver again({WaitForDialog(dialog), Press(dialog, IDCANCEL)});
    Entry<VoidFn>("Config")();
    EXPECT_TRUE(again.finished());
    Entry<VoidFn>("StopPlug")();
    DestroyWindow(frame);
}

// The host's start-up through the module reads the profile and leaves it as
// it is: same bytes, same time, entity and character references and all.
TEST_F(SettingsDialogTest, StartUpLeavesAnUnchangedProfileUntouched) {
    const std::string profile =
        "<?xml version=\"1.0\"?>\r\n<!DOCTYPE profile [<!ENTITY shop \"Shop\">]>\r\n<profile>\r\n"
        "  <Preferences><Name>&shop; &amp; &#169;</Name></Preferences>\r\n"
        "  <Ravlen_K7_Pendant><Vel>3</Vel><OEM1>-2</OEM1></Ravlen_K7_Pendant>\r\n"
        "</profile>\r\n";
    std::ofstream(profile_, std::ios::binary) << profile;
    FILETIME old{};
    {
        const HANDLE file = CreateFileA(profile_.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        SYSTEMTIME day{2020, 1, 3, 1, 12, 0, 0, 0};
        SystemTimeToFileTime(&day, &old);
        ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &old));
        CloseHandle(file);
    }
    Entry<SetProNameFn>("SetProName")(HostStringCreate(profile_.c_str()));
    InstallCallbacks(*this);
    ModuleHostBlocks blocks;
    ASSERT_TRUE(CallInitControl(*this, blocks));
    Entry<VoidFn>("PostInitControl")();
    Entry<VoidFn>("StopPlug")();

    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA(profile_.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(CompareFileTime(&data.ftLastWriteTime, &old), 0);
    EXPECT_EQ(FileBytes(profile_), profile);
}

}  // namespace
}  // namespace k7::test
