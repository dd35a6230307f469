#include "ui/Dialogs.h"

#include "ui/Application.h"

#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

namespace qm {

namespace {
QString caption() { return qmApp() ? qmApp()->title() : QStringLiteral("QM5"); }
}  // namespace

QString qtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        entries << parts[i] + QStringLiteral(" (") + patterns + QStringLiteral(")");
    }
    return entries.join(QStringLiteral(";;"));
}

void QtDialogs::message(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, caption(), text, QMessageBox::Ok, parent);
    box.exec();
}

Answer QtDialogs::confirm(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption(), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;  // Cancel, Escape or the close button
    }
}

bool QtDialogs::warningYesNo(QWidget* parent, const QString& text) {
    return QMessageBox::warning(parent, caption(), text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

namespace {
std::optional<QString> runFileDialog(QWidget* parent, const FileDialogRequest& r,
                                     QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, caption(), r.initialDir);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave
                           ? QFileDialog::AnyFile
                           : (r.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile));
    if (!r.filter.isEmpty()) dialog.setNameFilter(qtFilter(r.filter));
    if (!r.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(r.defaultSuffix);
    // Saving, a name typed without extension takes the one of the file type chosen.
    if (mode == QFileDialog::AcceptSave && !r.filter.isEmpty()) {
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
            static const QRegularExpression ext(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
            const auto m = ext.match(filter);
            if (m.hasMatch()) dialog.setDefaultSuffix(m.captured(1));
        });
    }
    if (!r.confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!r.fileName.isEmpty()) dialog.selectFile(r.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    r.chosenFilter = static_cast<int>(dialog.nameFilters().indexOf(dialog.selectedNameFilter()));
    return dialog.selectedFiles().first();
}
}  // namespace

std::optional<QString> QtDialogs::openFile(QWidget* parent, const FileDialogRequest& request) {
    return runFileDialog(parent, request, QFileDialog::AcceptOpen);
}

std::optional<QString> QtDialogs::saveFile(QWidget* parent, const FileDialogRequest& request) {
    return runFileDialog(parent, request, QFileDialog::AcceptSave);
}

std::optional<QFont> QtDialogs::font(QWidget* parent, const QFont& initial) {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial, parent, caption());
    if (!ok) return std::nullopt;
    return chosen;
}

}  // namespace qm
