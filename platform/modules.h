// The program's modules: parts with heavy libraries (the web engine, the multimedia
// stack, the session bus) built as loadable modules of their own and loaded only when
// first used, so that a start that does not use them does not pay for them.
#pragma once

#include <QLibrary>
#include <QString>

namespace platform {

// A function of the module name (for example "qv475_sound"), looked for beside the
// program, in ../lib/qv475 from it, and in the build tree; nothing when the module or the
// function cannot be had. A module is loaded once and stays loaded.
QFunctionPointer moduleFunction(const QString &name, const char *function);

// Whether the module has been loaded into this process.
bool moduleLoaded(const QString &name);

} // namespace platform
