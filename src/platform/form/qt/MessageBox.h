#pragma once

#include <QString>

namespace form::qt {

// A modal message box with the classic style flags (icon, Yes/No, second button as
// the default, system modal); returns IDOK, IDYES or IDNO. The text's CR LF line
// breaks show as lines, and a long path wraps within the box instead of widening it.
int showMessageBox(const QString &text, unsigned flags, const QString &title);

} // namespace form::qt
