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
#include "ui/MessageBox.h"

namespace ql50 {
namespace {

QString Say(const char* german, const char* english, int language) {
    return QString::fromUtf8(language == 1 ? english : german);
}

QStringList ColumnNames(int language) {
    return Say("Zeit\tMesstyp\tAdresse\tKalibrierung\tvorher\tnachher\tErgebnis\tModul\t"
               "Temperatur °C\tWerte\tSHA-256",
               "time\tmodule type\taddress\tcalibration\tbefore\tafter\tresult\tmodule\t"
               "temperature °C\tvalues\tSHA-256",
               language)
        .split('\t');
}

// Reads the whole record; nothing when the user cancelled.
std::optional<RecordRead> Read(QWidget* parent, const std::string& path, int language) {
    QProgressDialog progress(
        Say("Kalibrierprotokoll wird gelesen...", "Reading the calibration record...", language),
        Say("Abbrechen", "Cancel", language), 0, 1000, parent);
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
        text = Say("Die letzten %1 von %2 Zeilen; die früheren sind hier nicht gezeigt.\n",
                   "The last %1 of %2 lines; the earlier ones are not shown here.\n", language)
                   .arg(locale.toString(qlonglong(read.lines.size())),
                        locale.toString(qlonglong(read.totalLines)));
    if (read.chainBreak)
        return text + Say("Die Hash-Kette ist in Zeile %1 unterbrochen: %2.",
                          "The hash chain breaks at line %1: %2.", language)
                          .arg(read.chainBreak->line)
                          .arg(ChainBreakText(read.chainBreak->reason, language));
    if (read.hashedLines == 0)
        return text + Say("Keine Zeile trägt einen Hash.", "No line carries a hash.", language);
    return text + Say("Die Hash-Kette ist vollständig (%1 Zeilen geprüft).",
                      "The hash chain holds (%1 lines checked).", language)
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
        ui::MessageBox(parent, Say("Es wurde noch keine Kalibrierung aufgezeichnet.",
                                   "No calibration has been recorded yet.", language));
        return;
    }
    if (read->access != RecordAccess::Read) {
        ui::MessageBox(parent, QString::fromStdString(read->error));
        return;
    }
    QDialog window(parent);
    window.setWindowTitle(Say("Kalibrierprotokoll", "Calibration record", language));
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
    close->setText(Say("Schließen", "Close", language));
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
