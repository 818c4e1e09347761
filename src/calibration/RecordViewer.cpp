#include "calibration/RecordViewer.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "care/RecordReader.h"
#include "tables/Meldungen.h"
#include "tables/Texte.h"
#include "ui/MessageBox.h"
#include "ui/QtText.h"

namespace ql50 {
namespace {

QStringList ColumnNames(int language) {
    return Qs(Tx(kMeldungen.protokollKopf, language)).split('\t');
}

// Reads the whole record; nothing when the user cancelled.
std::optional<RecordRead> Read(QWidget* parent, const std::string& path, int language) {
    QProgressDialog progress(Qs(Tx(kMeldungen.protokollWirdGelesen, language)),
                             Qs(Tx(kTexte.abbrechen, language)), 0, 1000, parent);
    progress.setWindowTitle(ui::AppTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    RecordRead read =
        ScanRecord(path, kRecordLineLimit, [&](std::int64_t done, std::int64_t total) {
            progress.setValue(total > 0 ? int(done * 1000 / total) : 0);
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
    if (read.access == RecordAccess::Cancelled) return {};
    return read;
}

QString Summary(const RecordRead& read, int language) {
    const QLocale locale(language == 1 ? QLocale::English : QLocale::German);
    QString text;
    if (read.more)
        text = Qs(Tx(kMeldungen.letzteZeilen, language))
                   .arg(locale.toString(qlonglong(read.lines.size())),
                        locale.toString(qlonglong(read.totalLines)));
    if (read.chainBreak)
        return text + Qs(Tx(kMeldungen.ketteUnterbrochen, language))
                          .arg(read.chainBreak->line)
                          .arg(ChainBreakText(read.chainBreak->reason, language));
    if (read.hashedLines == 0) return text + Qs(Tx(kMeldungen.keineZeileMitHash, language));
    return text + Qs(Tx(kMeldungen.ketteVollstaendig, language))
                      .arg(locale.toString(qlonglong(read.hashedLines)));
}

// Control characters (zero bytes of a damaged file) would draw as nothing.
QString Shown(QString text) {
    for (QChar& c : text)
        if (c.unicode() < 0x20) c = QChar(0xfffd);
    return text;
}

void Fill(QTableWidget& table, const RecordRead& read) {
    QStringList numbers;
    for (int row = 0; row < int(read.lines.size()); ++row) {
        const RecordLine& line = read.lines[std::size_t(row)];
        numbers << QString::number(line.number);
        QStringList cells =
            QString::fromUtf8(line.text.data(), qsizetype(line.text.size())).split('\t');
        if (line.cut) cells.last() += QChar(0x2026);
        for (int column = 0; column < cells.size() && column < table.columnCount(); ++column)
            table.setItem(row, column, new QTableWidgetItem(Shown(cells[column])));
    }
    table.setVerticalHeaderLabels(numbers);
}

// The line that breaks the chain, in red, in view.
void Mark(QTableWidget& table, const RecordRead& read, const QString& why) {
    table.scrollToBottom();  // the newest calibration last, in view
    if (!read.chainBreak) return;
    const auto it = std::find_if(read.lines.begin(), read.lines.end(), [&](const RecordLine& l) {
        return l.number == read.chainBreak->line;
    });
    if (it == read.lines.end()) return;
    const int row = int(it - read.lines.begin());
    for (int column = 0; column < table.columnCount(); ++column) {
        if (table.item(row, column) == nullptr) table.setItem(row, column, new QTableWidgetItem);
        table.item(row, column)->setBackground(QColor(0xf4, 0xc7, 0xc3));
        table.item(row, column)->setToolTip(why);
    }
    table.verticalHeaderItem(row)->setText(table.verticalHeaderItem(row)->text() + " !");
    table.scrollToItem(table.item(row, 0));
}

}  // namespace

void ShowCalibrationRecord(QWidget* parent, const std::string& path, int language) {
    const auto read = Read(parent, path, language);
    if (!read) return;
    if (read->access == RecordAccess::Missing) {
        ui::MessageBox(parent, Qs(Tx(kMeldungen.nichtsAufgezeichnet, language)));
        return;
    }
    if (read->access != RecordAccess::Read) {
        ui::MessageBox(parent, QString::fromStdString(read->error));
        return;
    }
    QDialog window(parent);
    window.setWindowTitle(Qs(Tx(kMeldungen.kalibrierprotokoll, language)));
    auto* summary = new QLabel(Summary(*read, language), &window);
    summary->setWordWrap(true);
    const QStringList columns = ColumnNames(language);
    auto* table = new QTableWidget(int(read->lines.size()), int(columns.size()), &window);
    table->setAccessibleName(window.windowTitle());
    table->setHorizontalHeaderLabels(columns);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Fill(*table, *read);
    table->resizeColumnsToContents();
    Mark(*table, *read, summary->text());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &window);
    QPushButton* close = buttons->button(QDialogButtonBox::Close);
    close->setText(Qs(Tx(kMeldungen.schliessen, language)));
    close->setAccessibleName(close->text());
    QObject::connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(summary);
    layout->addWidget(table);
    layout->addWidget(buttons);
    // Wide enough for every column, as far as the screen allows.
    const int wanted = table->verticalHeader()->width() + table->horizontalHeader()->length() + 48;
    const QScreen* screen = parent ? parent->screen() : nullptr;
    window.resize(screen ? std::min(wanted, screen->availableGeometry().width()) : wanted, 400);
    window.exec();
}

}  // namespace ql50
