// The manual (利用の手引き), opened from the program with F1: the local HTML file in the
// system's browser, at the section that fits where there is one. Offline: nothing is
// fetched.
#pragma once

#include <QString>

class QWidget;

namespace platform {
class Launcher;
class MessageBox;
} // namespace platform

namespace manual {

// Sections of the manual the program opens at.
inline constexpr char kSettings[] = "settings";

// The manual's file (manual.en.html in English where there is one, else manual.html):
// beside the program (Windows), among the installed documents (../share/doc/qv475), or in
// the build's manual folder; empty when there is none.
QString path(const platform::Launcher &launcher, const QString &programDir, bool english);

// Opens it at the section (may be empty); says so in a box when there is no manual.
bool open(platform::Launcher &launcher, platform::MessageBox &box, QWidget *owner,
          const QString &programDir, bool english, const QString &section = {});

} // namespace manual
