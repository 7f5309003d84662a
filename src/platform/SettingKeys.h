// The sections and keys of set.ini by what they hold, so that a mistyped one does not compile.
#pragma once

#include <QString>

namespace setting {

// One value: its section and key.
struct Key {
    const char* section;
    const char* key;
};

// A numbered list: keys prefix1 to prefix<count> of one section.
struct List {
    QString section;
    const char* prefix;
    int count;
};

// The window's caption, its skin, and whether the statute window opens at the start ("0": not).
inline constexpr Key Caption{"biaoti", "biaoti1"};
inline constexpr Key Skin{"fengge", "fengge"};
inline constexpr Key StatuteAtStart{"pop", "tanchu"};
// What a new form's 笔录地点 and 户籍所在地 start with.
inline constexpr Key Place{"biludidian", "didian1"};
inline constexpr Key Domicile{"biludidian", "didian2"};
// The web page opened when the program ends, when control is "on".
inline constexpr Key ExitPageSwitch{"close", "control"};
inline constexpr Key ExitPage{"close", "url"};
// The office archive's server.
inline constexpr Key OfficeServer{"archive", "server"};
// The trusted time-stamp authority (an http:// address) and its CA certificate file.
inline constexpr Key TimeStampAuthority{"archive", "tsa"};
inline constexpr Key TimeStampAuthorityCa{"archive", "tsa-ca"};
// The two signature lines at the foot of every printed page.
inline constexpr const char* kFooterSection = "fenye";
inline constexpr Key FooterLine1{kFooterSection, "hang1"};
inline constexpr Key FooterLine2{kFooterSection, "hang2"};
// The check of an inquiry before it is signed: "0" asks nothing before a print or save; "1" wants a
// recording or capture linked to every inquiry.
inline constexpr const char* kCheckSection = "hecha";
inline constexpr Key CheckBeforeSigning{kCheckSection, "tixing"};
inline constexpr Key RecordingRequired{kCheckSection, "luyin"};
// Video capture: "0" leaves the date and time out of the captured pictures.
inline constexpr const char* kCaptureSection = "luxiang";
inline constexpr Key CaptureTimeOverlay{kCaptureSection, "shijian"};
// Who plays a capture from a time mark: "zhuomian" the desktop's player; "chengxu", or anything else, the program's
// own player window.
inline constexpr Key CapturePlayer{kCaptureSection, "bofang"};
inline constexpr const char* kDesktopPlayer = "zhuomian";

// The preset lists of the form's boxes.
inline List placePresets() {
    return {QStringLiteral("Set1"), "didian", 25};
}
inline List domicilePresets() {
    return {QStringLiteral("Set2"), "huji", 25};
}
inline List inspectorNames() {
    return {QStringLiteral("name1"), "name", 10};
}
inline List otherParticipantNames() {
    return {QStringLiteral("name2"), "name", 10};
}
inline List recorderNames() {
    return {QStringLiteral("name3"), "name", 10};
}
// The phrases of the notices every inquiry gives, each to be found in some question or answer.
inline List noticePhrases() {
    return {QString::fromLatin1(kCheckSection), "gaozhi", 20};
}
// The lists of pair n's question and answer boxes (1 … 24).
inline List questionPresets(int pair) {
    return {QStringLiteral("wenti%1").arg(pair), "wenti", 10};
}
inline List answerPresets(int pair) {
    return {QStringLiteral("daan%1").arg(pair), "daan", 8};
}

} // namespace setting
