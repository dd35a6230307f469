#include "ui/Application.h"

#include "ui/Dialogs.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QWidget>

namespace qm {

template <typename F>
auto CountingDialogs::counted(F f) {
    struct Depth {
        int& d;
        explicit Depth(int& depth) : d(depth) { ++d; }
        ~Depth() { --d; }
    } depth(depth_);
    return f(*target_);
}

void CountingDialogs::message(QWidget* parent, const QString& text) {
    counted([&](Dialogs& d) { d.message(parent, text); });
}
Answer CountingDialogs::confirm(QWidget* parent, const QString& text) {
    return counted([&](Dialogs& d) { return d.confirm(parent, text); });
}
bool CountingDialogs::warningYesNo(QWidget* parent, const QString& text) {
    return counted([&](Dialogs& d) { return d.warningYesNo(parent, text); });
}
std::optional<QString> CountingDialogs::openFile(QWidget* parent, const FileDialogRequest& request) {
    return counted([&](Dialogs& d) { return d.openFile(parent, request); });
}
std::optional<QString> CountingDialogs::saveFile(QWidget* parent, const FileDialogRequest& request) {
    return counted([&](Dialogs& d) { return d.saveFile(parent, request); });
}
std::optional<QFont> CountingDialogs::font(QWidget* parent, const QFont& initial) {
    return counted([&](Dialogs& d) { return d.font(parent, initial); });
}

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv), dialogs_(std::make_unique<QtDialogs>()) {
    setErrorHandler([this](const std::string& message) { showError(QString::fromStdString(message)); });
}

TApplication::~TApplication() { setErrorHandler({}); }

void TApplication::setTitle(const QString& title) {
    title_ = title;
    // On X11 the task-bar entry shows the main window's icon text.
    for (QWidget* w : topLevelWidgets()) {
        if (w->objectName() == QLatin1String("frmMain")) w->setWindowIconText(title);
    }
}

bool TApplication::installQtTranslation() {
    if (!qtTranslator_.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return false;
    }
    return installTranslator(&qtTranslator_);
}

void TApplication::installLanguage(bool english) {
    removeTranslator(&qtTranslator_);
    removeTranslator(&appTranslator_);
    if (!english) {
        installQtTranslation();
        return;
    }
    if (appTranslator_.load(QStringLiteral(":/i18n/qm5_en.qm"))) installTranslator(&appTranslator_);
}

void TApplication::setDialogs(std::unique_ptr<Dialogs> dialogs) { dialogs_ = std::move(dialogs); }

void TApplication::showError(const std::exception& e) { showError(QString::fromUtf8(e.what())); }

void TApplication::showError(const QString& text) { dialogs_->message(activeWindow(), text); }

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showError(QString::fromStdString(currentErrorMessage()));
    }
    return false;
}

TApplication* qmApp() { return static_cast<TApplication*>(QCoreApplication::instance()); }

}  // namespace qm
