#include "ui/qt/log_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "measure/log.h"
#include "ui/qt/fonts.h"

namespace velta::qt {

namespace {

constexpr Qt::ItemFlags shownFlags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;

}  // namespace

LogWindow::LogWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("misure"));
    setWindowTitle(QStringLiteral("Misure"));
    // An extra window: shown or refreshed, it leaves the focus where the user is working.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFont(arialFont(9));

    const std::vector<std::string>& titles = measure::columnTitles();
    table_ = new QTableWidget(0, static_cast<int>(titles.size()), this);
    table_->setObjectName(QStringLiteral("tabella"));
    QStringList headers;
    for (const std::string& t : titles) headers << QString::fromStdString(t);
    table_->setHorizontalHeaderLabels(headers);
    table_->horizontalHeader()->setFont(arialFont(9, true));
    table_->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    // The first column numbers the rows already.
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    table_->setSelectionBehavior(QAbstractItemView::SelectItems);
    table_->setAlternatingRowColors(true);
    table_->setWordWrap(false);
    connect(table_, &QTableWidget::itemChanged, this, &LogWindow::edited);

    foot_ = new QLabel(this);
    foot_->setObjectName(QStringLiteral("piede"));
    foot_->setTextFormat(Qt::PlainText);
    foot_->setWordWrap(true);
    foot_->hide();

    copy_ = new QPushButton(QStringLiteral("Copia"), this);
    copy_->setObjectName(QStringLiteral("copia"));
    copy_->setToolTip(QStringLiteral("Copia la tabella negli appunti"));
    csv_ = new QPushButton(QStringLiteral("Esporta CSV..."), this);
    csv_->setObjectName(QStringLiteral("esportaCsv"));
    csv_->setToolTip(QStringLiteral("Salva la tabella in un file CSV"));
    // Pressing them must not take the focus from a cell being edited, nor show as default.
    for (QPushButton* b : {copy_, csv_}) {
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::TabFocus);
    }
    connect(copy_, &QPushButton::clicked, this, [this] {
        if (onCopy) onCopy();
    });
    connect(csv_, &QPushButton::clicked, this, [this] {
        if (onExportCsv) onExportCsv();
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(copy_);
    buttons->addWidget(csv_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addWidget(foot_);
    layout->addLayout(buttons);
}

void LogWindow::refresh(const measure::Log& log, char decimal) {
    // The program's changes are not the user's edits.
    const QSignalBlocker quiet(table_);
    const int rows = static_cast<int>(log.rows.size());
    const int columns = table_->columnCount();
    if (table_->rowCount() != rows) table_->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        const auto index = static_cast<std::size_t>(r);
        const std::vector<std::string> cells = measure::rowCells(log, index, decimal);
        for (int c = 0; c < columns; ++c) {
            const auto at = static_cast<std::size_t>(c);
            const QString text = at < cells.size() ? QString::fromStdString(cells[at]) : QString();
            QTableWidgetItem* item = table_->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(c == 0 ? Qt::AlignCenter : (Qt::AlignRight | Qt::AlignVCenter));
                table_->setItem(r, c, item);
            }
            const bool editable = c == knownColumn && r > 0;
            const Qt::ItemFlags flags = editable ? (shownFlags | Qt::ItemIsEditable) : shownFlags;
            if (item->flags() != flags) {
                item->setFlags(flags);
                item->setToolTip(editable ? QStringLiteral("Scrivere la misura nota in cm per controllare la coppia")
                                          : QString());
            }
            // Setting the same text again would put it over what is being typed in an open editor.
            if (item->text() != text) item->setText(text);
        }
    }
    table_->resizeColumnsToContents();

    const QString foot = QString::fromStdString(measure::footText(log, decimal));
    if (foot_->text() != foot) foot_->setText(foot);
    foot_->setVisible(!foot.isEmpty());
}

void LogWindow::placeBeside(const QWidget& main) {
    const QScreen* screen = main.screen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    // As wide as the columns, or the screen's width less a margin.
    int wanted = table_->frameWidth() * 2 + table_->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < table_->columnCount(); ++c) wanted += table_->columnWidth(c);
    const QMargins m = layout()->contentsMargins();
    wanted += m.left() + m.right();
    const int width = std::min(wanted, area.width() - 40);
    const int height = std::min(320, area.height() / 2);
    resize(width, height);
    // Beside the main window when the screen has room there; otherwise over its bottom right.
    const QRect frame = main.frameGeometry();
    int x = frame.right() + 1;
    if (x + width > area.right()) x = std::max(area.left(), area.right() - width - 20);
    const int y = std::max(area.top(), area.bottom() - height - 60);
    move(x, y);
}

void LogWindow::edited(QTableWidgetItem* item) {
    if (!item || item->column() != knownColumn || item->row() <= 0 || !onKnownLength) return;
    onKnownLength(static_cast<std::size_t>(item->row()), item->text().toStdString());
}

}  // namespace velta::qt
