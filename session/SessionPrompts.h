#pragma once

#include <QString>

#include <optional>

namespace qm {

enum class Answer { Yes, No, Cancel };

struct FileDialogRequest {
    QString initialDir;
    QString fileName;       // proposed name
    QString filter;         // "description|pattern|description|pattern" as the program builds it
    QString defaultSuffix;  // added when the user types a name without one
    bool mustExist = false;
    bool confirmOverwrite = false;
    // Out: the file type chosen, counted from 0 in filter's order; -1 unknown.
    mutable int chosenFilter = -1;
};

// What the practice session asks the user. The windows answer through the
// program's dialogs; tests answer in their place.
class SessionPrompts {
public:
    virtual ~SessionPrompts() = default;
    virtual void message(const QString& text) = 0;                      // OK
    virtual Answer confirm(const QString& text) = 0;                    // Yes No Cancel
    virtual bool warningYesNo(const QString& text) = 0;                 // Yes No
    virtual std::optional<QString> saveFile(const FileDialogRequest& request) = 0;
    // A file to read, chosen by the user; nothing when none was (or none can be asked).
    virtual std::optional<QString> openFile(const FileDialogRequest&) { return std::nullopt; }
};

}  // namespace qm
