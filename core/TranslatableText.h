#pragma once

#include <functional>
#include <string>
#include <string_view>

// Texts of the plain layers that a window may show. They are marked for Qt's
// translation tools, which read the macro's name, without this code depending
// on Qt; whoever shows them passes what translates them.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(context, text) text
#endif

namespace qm {

// Gives the text to show for a marked text of a context; empty: as marked.
using Translate = std::function<std::string(const char* context, const char* text)>;

inline std::string translated(const Translate& translate, const char* context, const char* text) {
    return translate ? translate(context, text) : std::string(text);
}

// text with its first "%1" replaced by arg, as QString::arg would.
inline std::string withArg(std::string text, std::string_view arg) {
    if (const auto at = text.find("%1"); at != std::string::npos) text.replace(at, 2, arg);
    return text;
}

}  // namespace qm
