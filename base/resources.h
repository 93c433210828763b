// The program's pictures: the application icon and the toolbar images.
#pragma once

#include <QIcon>
#include <QString>

namespace basSubMain {
// Makes the compiled-in pictures available under ":/icons/"; safe to call repeatedly.
void initResources();
// A picture by name ("app", "open", ...): its PNG renderings at one and two times the size.
QIcon programIcon(const QString &name);
} // namespace basSubMain
