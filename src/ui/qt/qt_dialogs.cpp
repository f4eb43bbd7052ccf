#include "ui/qt/qt_dialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>


namespace velta::qt {

namespace {

const QString bitmapFilter = QStringLiteral("Bitmap (*.bmp *.BMP)");
const QString openFilters = QStringLiteral(
    "Immagini (*.bmp *.BMP *.jpg *.JPG *.jpeg *.JPEG *.png *.PNG *.tif *.TIF *.tiff *.TIFF *.webp *.WEBP);;"
    "Bitmap (*.bmp *.BMP);;Tutti i file (*)");

// The export filters, each with the format it stands for.
struct ExportFilter {
    const char* text;
    ImageFormat format;
};
constexpr ExportFilter exportFilters[] = {
    {"PNG (*.png *.PNG)", ImageFormat::png},
    {"TIFF (*.tif *.tiff *.TIF *.TIFF)", ImageFormat::tiff},
    {"Bitmap (*.bmp *.BMP)", ImageFormat::bmp},
    {"JPEG (*.jpg *.jpeg *.JPG *.JPEG)", ImageFormat::jpeg},
};

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
    case Icon::Critical: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    case Icon::Information: return QMessageBox::Information;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

// A box without a title of its own carries the program's name, as the system boxes do.
QString titleOr(const std::string& title) {
    return title.empty() ? QCoreApplication::applicationName() : QString::fromStdString(title);
}

}  // namespace

QtDialogs::QtDialogs() = default;

QtDialogs::~QtDialogs() {
    if (viewer_) delete viewer_.data();
}

Answer QtDialogs::messageBox(QWidget* parent, const std::string& text, const std::string& title, Icon icon,
                             Buttons buttons) {
    QMessageBox box(qtIcon(icon), titleOr(title), QString::fromStdString(text), QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return Answer::Ok;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    case Buttons::SaveDiscardCancel: break;
    }
    // The program's own Italian captions, whatever the toolkit's translation.
    QPushButton* save = box.addButton(QStringLiteral("Salva"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("Non salvare"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Annulla"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save) return Answer::Save;
    if (box.clickedButton() == discard) return Answer::Discard;
    return Answer::Cancel;
}

std::optional<std::string> QtDialogs::inputBox(QWidget* parent, const std::string& prompt) {
    bool ok = false;
    const QString typed = QInputDialog::getText(parent, titleOr({}), QString::fromStdString(prompt),
                                                QLineEdit::Normal, QString(), &ok);
    if (!ok) return std::nullopt;
    return typed.toStdString();
}

std::string QtDialogs::openFile(QWidget* parent, const std::string& dir) {
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Apri immagine"), QString::fromStdString(dir),
                                        openFilters)
        .toStdString();
}

std::string QtDialogs::saveFile(QWidget* parent, const std::string& dir) {
    // The save command adds the extension itself and then asks before replacing a file.
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Salva immagine"), QString::fromStdString(dir),
                                        bitmapFilter, nullptr, QFileDialog::DontConfirmOverwrite)
        .toStdString();
}

ExportChoice QtDialogs::exportFile(QWidget* parent, const std::string& dir, bool jpeg) {
    QStringList filters;
    for (const ExportFilter& f : exportFilters)
        if (jpeg || f.format != ImageFormat::jpeg) filters << QString::fromUtf8(f.text);
    QString selected = filters.front();
    const QString name =
        QFileDialog::getSaveFileName(parent, QStringLiteral("Esporta immagine"), QString::fromStdString(dir),
                                     filters.join(QStringLiteral(";;")), &selected, QFileDialog::DontConfirmOverwrite);
    ExportChoice choice;
    choice.name = name.toStdString();
    for (const ExportFilter& f : exportFilters)
        if (selected == QString::fromUtf8(f.text)) choice.filter = f.format;
    return choice;
}

// The commands add the extension themselves and then ask before replacing a file.
std::string QtDialogs::csvFile(QWidget* parent, const std::string& dir) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Esporta misure"), QString::fromStdString(dir),
                                        QStringLiteral("CSV (*.csv *.CSV)"), nullptr, QFileDialog::DontConfirmOverwrite)
        .toStdString();
}

std::string QtDialogs::reportFile(QWidget* parent, const std::string& dir) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Esporta relazione"), QString::fromStdString(dir),
                                        QStringLiteral("PDF (*.pdf *.PDF)"), nullptr, QFileDialog::DontConfirmOverwrite)
        .toStdString();
}

QPrinter& QtDialogs::printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

bool QtDialogs::printerDialog(QWidget* parent) {
    QPrintDialog dialog(&printer(), parent);
    return dialog.exec() == QDialog::Accepted;
}

void QtDialogs::printWindow(QWidget& window) {
    const QPixmap image = window.grab();
    if (image.isNull()) return;
    QPainter p;
    if (!p.begin(&printer())) return;
    // The window image, as large as the page allows, proportions kept.
    const QRect page = p.viewport();
    const QSize fitted = image.size().scaled(page.size(), Qt::KeepAspectRatio);
    p.setViewport(page.x(), page.y(), fitted.width(), fitted.height());
    p.setWindow(image.rect());
    p.drawPixmap(0, 0, image);
    p.end();
}

void QtDialogs::showHelp(QWidget* parent, const std::string& path) {
    if (!viewer_) viewer_ = new HelpViewer(parent);
    viewer_->open(QString::fromStdString(path));
    viewer_->show();
    viewer_->raise();
    viewer_->activateWindow();
}

}  // namespace velta::qt
