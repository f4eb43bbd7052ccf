#include "ui/qt/help_viewer.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace velta::qt {

HelpViewer::HelpViewer(QWidget* owner) : QWidget(owner, Qt::Window), browser_(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("helpViewer"));
    setWindowTitle(QStringLiteral("VELTA300 - Guida"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    browser_->setOpenExternalLinks(true);
    resize(640, 560);
}

void HelpViewer::open(const QString& path) {
    const QFileInfo file(path);
    if (path.isEmpty() || !file.isFile() || !file.isReadable()) {
        browser_->clear();
        browser_->setPlainText(QStringLiteral("Impossibile aprire la guida: il file \"%1\" non esiste o non è "
                                              "leggibile.")
                                   .arg(path));
        return;
    }
    QUrl url = QUrl::fromLocalFile(file.absoluteFilePath());
    url.setFragment(QString::fromLatin1(contentsAnchor));
    browser_->setSource(url);
    browser_->scrollToAnchor(QString::fromLatin1(contentsAnchor));
}

}  // namespace velta::qt
