// settings_dlg_interlock_test.cpp - options that switch others off, on click and at opening;
// the output box following the destination; Defaults.
#include <map>
#include <vector>

#include "tests/ui/settings_dlg_fixture.h"

namespace quillmark::testing {
namespace {

const char* const kToggles[] = {"sortOutputCheck",   "noRecursionCheck", "dirWildcardsCheck",
                                "lowercaseCheck",    "unixLfCheck",      "saveToFileRadio",
                                "sendToScreenRadio", "descriptiveRadio", "tabularRadio",
                                "asciiRadio",        "binaryRadio"};

struct ControlState {
    bool checked;
    bool enabled;
    bool operator==(const ControlState&) const = default;
};

class SettingsDlgInterlockTest : public SettingsDlgTest {
protected:
    std::map<std::string, ControlState> Snapshot() const {
        std::map<std::string, ControlState> states;
        for (const char* name : kToggles) {
            auto* button = Find<QAbstractButton>(name);
            states[name] = {button->isChecked(), button->isEnabled()};
        }
        states["outputEdit"] = {false, Edit("outputEdit")->isEnabled()};
        states["outputBrowseButton"] = {false, Button("outputBrowseButton")->isEnabled()};
        return states;
    }

    // Every option that an interlock may switch off is on, the read mode is ASCII and the
    // style descriptive: the interlocks have something to undo.
    static CCRCSettings Busy() {
        CCRCSettings settings;
        settings.m_bDirWildcards = 1;
        settings.m_bLowercase = 1;
        settings.m_nReadMode = 0;
        settings.m_nOutputStyle = 0;
        settings.m_nOutputDest = 0;
        return settings;
    }
};

struct InterlockCase {
    const char* option;
    std::int32_t CCRCSettings::*member;
    // After the click on: these boxes show these states.
    std::map<std::string, ControlState> whenOn;
    // Opened with the option set: these members are brought in line.
    std::vector<std::pair<std::int32_t CCRCSettings::*, std::int32_t>> membersWhenOn;
};

const std::vector<InterlockCase>& InterlockCases() {
    static const std::vector<InterlockCase> cases = {
        {"sortOutputCheck",
         &CCRCSettings::m_bSortOutput,
         {{"lowercaseCheck", {false, false}},
          {"tabularRadio", {true, true}},
          {"descriptiveRadio", {false, false}}},
         {{&CCRCSettings::m_bLowercase, 0}, {&CCRCSettings::m_nOutputStyle, 1}}},
        {"noRecursionCheck",
         &CCRCSettings::m_bNoRecursion,
         {{"dirWildcardsCheck", {false, false}}},
         {{&CCRCSettings::m_bDirWildcards, 0}}},
        {"unixLfCheck",
         &CCRCSettings::m_bUnixLF,
         {{"binaryRadio", {true, true}}, {"asciiRadio", {false, false}}},
         {{&CCRCSettings::m_nReadMode, 1}}},
    };
    return cases;
}

// Opening with an option already set looks like clicking it on, and brings the members in line
// as well, not only the boxes.
TEST_F(SettingsDlgInterlockTest, AnOptionSwitchesItsDependentsOnClickAndAtOpening) {
    for (const InterlockCase& c : InterlockCases()) {
        SCOPED_TRACE(c.option);
        Open(Busy());
        auto expected = Snapshot();
        Check(c.option)->click();
        expected[c.option] = {true, true};
        for (const auto& [name, state] : c.whenOn) expected[name] = state;
        EXPECT_EQ(Snapshot(), expected);
        const auto afterClick = expected;

        // Off again, the dependents come back enabled but keep the state the option forced.
        Check(c.option)->click();
        expected[c.option] = {false, true};
        for (const auto& entry : c.whenOn) expected[entry.first].enabled = true;
        EXPECT_EQ(Snapshot(), expected);

        CCRCSettings preset = Busy();
        preset.*c.member = 1;
        Open(preset);
        EXPECT_EQ(Snapshot(), afterClick);
        Button("closeButton")->click();
        ASSERT_EQ(Outcome(), CCrcSettingsDlg::kResultClose);
        CCRCSettings collected = Collected();
        EXPECT_EQ(collected.*c.member, 1);
        for (const auto& [member, value] : c.membersWhenOn) EXPECT_EQ(collected.*member, value);
    }
}

TEST_F(SettingsDlgInterlockTest, OutputBoxFollowsTheDestination) {
    CCRCSettings toScreen;
    toScreen.m_nOutputDest = 1;
    toScreen.m_strOutput = "kept.txt";
    Open(toScreen);
    EXPECT_EQ(Edit("outputEdit")->text(), "kept.txt");
    for (const char* destination : {"", "saveToFileRadio", "sendToScreenRadio"}) {
        SCOPED_TRACE(destination);
        if (*destination != '\0') Radio(destination)->click();
        const bool toFile = destination == std::string("saveToFileRadio");
        EXPECT_EQ(Radio("sendToScreenRadio")->isChecked(), !toFile);
        EXPECT_EQ(Edit("outputEdit")->isEnabled(), toFile);
        EXPECT_EQ(Button("outputBrowseButton")->isEnabled(), toFile);
        EXPECT_EQ(Collected().m_nOutputDest, toFile ? 0 : 1);
    }
}

TEST_F(SettingsDlgInterlockTest, DefaultsResetsEveryControlAndValue) {
    CCRCSettings preset = Busy();
    preset.m_bSortOutput = preset.m_bNoRecursion = preset.m_bUnixLF = 1;
    preset.m_nOutputDest = 0;
    preset.m_strInput = "missing-input.txt";
    // The output file exists: were the check to run, it would ask about overwriting.
    preset.m_strOutput = "existing.txt";
    WriteFile("existing.txt", "keep me");
    Open(preset);

    ModalAnswerer answerer(QMessageBox::No, 5);
    Button("defaultsButton")->click();
    EXPECT_TRUE(answerer.Seen().empty());
    EXPECT_EQ(QApplication::focusWidget(), Button("defaultsButton"));
    std::map<std::string, ControlState> expected;
    for (const char* name : kToggles) expected[name] = {false, true};
    expected["sendToScreenRadio"].checked = true;
    expected["descriptiveRadio"].checked = true;
    expected["binaryRadio"].checked = true;
    expected["outputEdit"] = {false, false};
    expected["outputBrowseButton"] = {false, false};
    EXPECT_EQ(Snapshot(), expected);
    EXPECT_EQ(Edit("inputEdit")->text(), "");
    EXPECT_EQ(Edit("outputEdit")->text(), "");

    Button("closeButton")->click();
    ASSERT_EQ(Outcome(), CCrcSettingsDlg::kResultClose);
    CCRCSettings defaults;
    defaults.ResetDefaults();
    const CCRCSettings collected = Collected();
    EXPECT_EQ(Fields(collected), Fields(defaults));
    EXPECT_EQ(ReadFile("existing.txt"), "keep me");
}

}  // namespace
}  // namespace quillmark::testing
