// The daily report: one A4 page per day of a record (more when the day's events run
// over), in Japanese, as PDF with the Japanese face embedded and its text kept as text:
// the title with the date, boxes for 作成, 確認 and 承認, the site and the meter's identity,
// the day's chart with the thresholds, the criteria, the day's figures (each storm with
// its inspection), the table of events, and page numbers.
#pragma once

#include "history/register.h"
#include "history/wind_history.h"

#include <QByteArray>

class TrendChart;

namespace report {

struct Title {
    QString siteName; // none: "(未設定)"
    int port = 1;     // the meter's COM port number
};

// The chart of [fromMs, toMs] of the record: its columns' lines, the rule's mean and its
// thresholds, one bucket for every pixel or so of width.
void fillChart(TrendChart *chart, const history::WindHistory &record, qint64 fromMs, qint64 toMs,
               int width);

// The PDF's bytes of the given days (all of the record's when none); empty when the record
// holds no rows.
QByteArray dayReport(const history::WindHistory &record, const Title &title,
                     QList<QDate> days = {});

// The register of a period as PDF: the title and sign boxes as on the day's sheet, the
// site, the criteria, the records' verification, then a line per item, the ones still
// due first and in red.
QByteArray registerReport(const history::Register &r, const Title &title,
                          const basSubMain::SiteSettings &site, const QString &verification);

// The day's local midnight and the next one.
std::pair<qint64, qint64> dayBounds(const QDate &day);

} // namespace report
