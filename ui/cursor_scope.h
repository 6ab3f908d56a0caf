// cursor_scope.h - a cursor shown over the whole application while an object lives: the wait
// cursor for a command's work, the arrow over a box waiting for the user.
#pragma once

#include <QApplication>

namespace quillmark {

class CursorScope {
public:
    explicit CursorScope(Qt::CursorShape shape) { QApplication::setOverrideCursor(shape); }
    ~CursorScope() { QApplication::restoreOverrideCursor(); }
    CursorScope(const CursorScope&) = delete;
    CursorScope& operator=(const CursorScope&) = delete;
};

}  // namespace quillmark
