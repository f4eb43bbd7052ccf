// The real dialogs, driven from a timer while they run modally: the answers they give back,
// the file dialogs' start and filter, the help viewer beside the window, printing a window.
#include <QAbstractButton>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrinter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <functional>

#include "ui/qt/help_viewer.h"
#include "ui/qt/qt_dialogs.h"

using namespace velta;
using velta::qt::QtDialogs;

namespace {

// Runs `act` on the modal dialog of type D as soon as it is up.
template <class D> void whenShown(std::function<void(D*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(d);
        }
    });
    timer->start();
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void messageBoxShowsItsTextAndReturnsTheButton();
    void inputBoxReturnsTheTextOrNothing();
    void fileDialogsStartInTheDirectoryWithTheBitmapFilter();
    void helpViewerShowsTheContentsBesideTheWindow();
    void printingPaintsTheWindowOnThePrinter();
};

void DialogsTest::messageBoxShowsItsTextAndReturnsTheButton() {
    QtDialogs d;
    QString seen;
    whenShown<QMessageBox>([&seen](QMessageBox* box) {
        seen = box->windowTitle() + "|" + box->text() + "|" + QString::number(box->icon());
        box->button(QMessageBox::Yes)->click();
    });
    QCOMPARE(d.messageBox(nullptr, "Sovrascrivere il file?", "Salva", Icon::Question, Buttons::YesNo), Answer::Yes);
    QCOMPARE(seen, QString("Salva|Sovrascrivere il file?|%1").arg(int(QMessageBox::Question)));
    whenShown<QMessageBox>([](QMessageBox* box) { box->reject(); });   // Escape means No
    QCOMPARE(d.messageBox(nullptr, "?", "", Icon::Critical, Buttons::YesNo), Answer::No);
}

void DialogsTest::inputBoxReturnsTheTextOrNothing() {
    QtDialogs d;
    QString prompt;
    whenShown<QInputDialog>([&prompt](QInputDialog* box) {
        prompt = box->labelText();
        box->setTextValue("125,5");
        box->accept();
    });
    QCOMPARE(d.inputBox(nullptr, "distanza in cm"), std::optional<std::string>("125,5"));
    QCOMPARE(prompt, QString("distanza in cm"));
    whenShown<QInputDialog>([](QInputDialog* box) { box->reject(); });
    QCOMPARE(d.inputBox(nullptr, "distanza in cm"), std::nullopt);
}

void DialogsTest::fileDialogsStartInTheDirectoryWithTheBitmapFilter() {
    QtDialogs d;
    QTemporaryDir dir;
    QString startedIn, filter;
    bool confirms = true;
    whenShown<QFileDialog>([&](QFileDialog* f) {
        startedIn = f->directory().absolutePath();
        filter = f->nameFilters().join(";");
        f->reject();
    });
    QCOMPARE(d.openFile(nullptr, dir.path().toStdString()), std::string());
    QCOMPARE(startedIn, QDir(dir.path()).absolutePath());
    QCOMPARE(filter, QString("Immagini (*.bmp *.BMP *.jpg *.JPG *.jpeg *.JPEG *.png *.PNG *.tif *.TIF *.tiff "
                             "*.TIFF *.webp *.WEBP);Bitmap (*.bmp *.BMP);Tutti i file (*)"));
    whenShown<QFileDialog>([&](QFileDialog* f) {
        confirms = !f->testOption(QFileDialog::DontConfirmOverwrite);
        filter = f->nameFilters().join(";");
        f->reject();
    });
    QCOMPARE(d.saveFile(nullptr, dir.path().toStdString()), std::string());
    QVERIFY(!confirms);   // the save command asks itself, after adding the extension
    QCOMPARE(filter, QString("Bitmap (*.bmp *.BMP)"));
    // Export offers JPEG only for a colour image, and also asks itself about replacing a file.
    for (const bool jpeg : {false, true}) {
        confirms = true;
        whenShown<QFileDialog>([&](QFileDialog* f) {
            confirms = !f->testOption(QFileDialog::DontConfirmOverwrite);
            filter = f->nameFilters().join(";");
            f->reject();
        });
        QCOMPARE(d.exportFile(nullptr, dir.path().toStdString(), jpeg).name, std::string());
        QVERIFY(!confirms);
        QCOMPARE(filter.contains("JPEG"), jpeg);
        QVERIFY(filter.startsWith("PNG"));
    }
}

void DialogsTest::helpViewerShowsTheContentsBesideTheWindow() {
    QTemporaryDir dir;
    const QString path = dir.filePath("velta300.html");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QByteArray html = "<html><body><p>Introduzione</p>";
    for (int i = 0; i < 200; ++i) html += "<p>riga</p>";
    html += "<h1 id=\"indice\">Indice</h1><p>Aprire un'immagine</p></body></html>";
    f.write(html);
    f.close();

    QWidget owner;
    owner.show();
    QtDialogs d;
    d.showHelp(&owner, path.toStdString());   // returns at once: the viewer does not block
    qt::HelpViewer* viewer = d.helpViewer();
    QVERIFY(viewer);
    QVERIFY(viewer->isVisible());
    QVERIFY(viewer->isWindow());
    QVERIFY(!viewer->isModal());
    QCOMPARE(viewer->browser()->source().fragment(), QString("indice"));
    QTRY_VERIFY(viewer->browser()->verticalScrollBar()->value() > 0);   // scrolled to the contents
    QVERIFY(viewer->browser()->toPlainText().contains("Aprire un'immagine"));

    d.showHelp(&owner, dir.filePath("mancante.html").toStdString());
    QCOMPARE(d.helpViewer(), viewer);   // one viewer, reused
    QVERIFY(viewer->browser()->toPlainText().contains("non esiste"));
}

void DialogsTest::printingPaintsTheWindowOnThePrinter() {
    QTemporaryDir dir;
    QtDialogs d;
    d.printer().setOutputFormat(QPrinter::PdfFormat);
    d.printer().setOutputFileName(dir.filePath("finestra.pdf"));
    QWidget window;
    window.resize(300, 200);
    window.show();
    d.printWindow(window);
    QFileInfo pdf(dir.filePath("finestra.pdf"));
    QVERIFY(pdf.exists());
    QVERIFY(pdf.size() > 1000);
}

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
