#include "client/common/gridexport.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QSaveFile>
#include <QTableView>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include "client/common/desktop.h"
#include "client/common/gridview.h"
#include "client/logic/gridvalues.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "common/error.h"
#include "common/worksheet.h"

namespace dyt {

namespace gridexport {

namespace {

constexpr int kXlsxMaxRows = 1048575;  // data rows; row 0 holds the captions
constexpr int kXlsxMaxColumns = 16384;
constexpr int kXlsxMaxText = 32767;

struct ExportTable {
    RecordSet records;
    QList<QString> formats;  // per field
    QList<int> widths;       // per field, pixels
};

ExportTable buildTable(const GridView* grid) {
    const RecordSetModel* model = grid ? grid->model() : nullptr;
    if (!model || !model->definition())
        throw DytError(QStringLiteral("无数据"));
    const GridDefinition& def = *model->definition();
    const RecordSet* source = model->records();
    const QTableView* table = grid->table();
    const QHeaderView* header = table->horizontalHeader();

    // The shown columns in the order the operator sees them.
    struct Out {
        int column;
        int field;  // in the source, -1 when unbound
    };
    QList<Out> outs;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int c = header->logicalIndex(visual);
        if (c < 0 || c >= def.columns.size() || table->isColumnHidden(c))
            continue;
        const GridColumn& col = def.columns[c];
        const int field =
            (source && !col.fieldName.isEmpty()) ? source->fieldIndex(col.fieldName) : -1;
        outs.append({c, field});
    }

    ExportTable out;
    for (int i = 0; i < outs.size(); ++i) {
        const GridColumn& col = def.columns[outs[i].column];
        FieldType type = FieldType::Text;
        QString format;
        if (col.masked) {
            type = FieldType::Text;
        } else if (col.isNumber()) {
            type = FieldType::Float;
            format = spreadsheetNumberFormat(col.displayPattern);
        } else if (outs[i].field >= 0) {
            type = source->field(outs[i].field).type;
        }
        const QString name =
            col.fieldName.isEmpty() ? QStringLiteral("column%1").arg(i + 1) : col.fieldName;
        // Two columns may show the same field; the export keeps both.
        QString unique = name;
        for (int n = 2; out.records.hasField(unique); ++n)
            unique = QStringLiteral("%1_%2").arg(name).arg(n);
        const int f = out.records.addField(unique, type);
        out.records.field(f).displayName = col.caption;
        out.formats.append(format);
        out.widths.append(col.width);
    }

    const int rows = model->rowCount();
    for (int r = 0; r < rows && source; ++r) {
        const int raw = model->rawRow(r);
        RecordSet::Row values;
        values.reserve(outs.size());
        for (const Out& o : outs) {
            const GridColumn& col = def.columns[o.column];
            if (o.field < 0) {
                values.append(QVariant());
                continue;
            }
            const QVariant& v = source->at(raw, o.field);
            if (!v.isValid() || v.isNull()) {
                values.append(QVariant());
            } else if (col.masked) {
                values.append(maskedText());
            } else if (col.isNumber()) {
                const std::optional<double> d = gridfilter::cellNumber(v);
                values.append(
                    d ? QVariant(gridfilter::displayedNumber(col.displayPattern, *d, col.decimals))
                      : QVariant());
            } else {
                values.append(v);
            }
        }
        out.records.appendRow(values);
    }
    out.records.first();
    return out;
}

QString quoted(const QString& literal) {
    if (literal.isEmpty())
        return {};
    QString text = literal;
    text.remove(u'"');
    return u'"' + text + u'"';
}

QString excelSection(const QString& section) {
    // Placeholders "0", "#", "." and ","; everything else is literal text around the number.
    qsizetype first = -1;
    qsizetype last = -1;
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar ch = section[i];
        if (ch == u'0' || ch == u'#' || ch == u'.' || ch == u',') {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    if (first < 0)
        return quoted(section);
    const QString number = section.mid(first, last - first + 1);
    const qsizetype dot = number.indexOf(u'.');
    int places = 0;
    if (dot >= 0) {
        for (qsizetype i = dot + 1; i < number.size(); ++i) {
            if (number[i] == u'0' || number[i] == u'#')
                ++places;
        }
    }
    QString body = number.contains(u',') ? QStringLiteral("#,##0") : QStringLiteral("0");
    if (places > 0)
        body += u'.' + QString(places, u'0');
    return quoted(section.left(first)) + body + quoted(section.mid(last + 1));
}

FileChooser& chooserHook() {
    static FileChooser hook;
    return hook;
}

DocumentOpener& openerHook() {
    static DocumentOpener hook;
    return hook;
}

QString chooseFile(QWidget* parent, const QString& title, const QString& proposed,
                   const QString& filter, QString* selectedFilter) {
    if (chooserHook())
        return chooserHook()(parent, title, proposed, filter, selectedFilter);
    return QFileDialog::getSaveFileName(parent, title, proposed, filter, selectedFilter);
}

bool openDocument(const QString& path) {
    if (openerHook())
        return openerHook()(path);
    return client::platform::openDocument(path);
}

void checkXlsx(lxw_error err, const QString& path) {
    if (err != LXW_NO_ERROR) {
        throw DytError(
            QStringLiteral("写入文件[%1]失败: %2").arg(path, QString::fromUtf8(lxw_strerror(err))));
    }
}

// Writes the workbook into `temp` (libxlsxwriter writes to a file name of its own).
void writeXlsxFile(const RecordSet& records, const QList<QString>& formats,
                   const QList<int>& widths, const QString& temp, const QString& target) {
    const QByteArray name = QFile::encodeName(temp);
    lxw_workbook* book = workbook_new(name.constData());
    if (!book)
        throw DytError(QStringLiteral("无法创建文件[%1]").arg(target));
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    QList<lxw_format*> numberFormats;
    try {
        if (!sheet)
            throw DytError(QStringLiteral("无法创建文件[%1]").arg(target));
        const int columns = records.fieldCount();
        for (int c = 0; c < columns; ++c) {
            lxw_format* f = nullptr;
            const QString pattern = formats.value(c);
            if (!pattern.isEmpty()) {
                f = workbook_add_format(book);
                format_set_num_format(f, pattern.toUtf8().constData());
            }
            numberFormats.append(f);
            const int pixels = widths.value(c);
            if (pixels > 0) {
                checkXlsx(worksheet_set_column(sheet, static_cast<lxw_col_t>(c),
                                               static_cast<lxw_col_t>(c), pixels / 7.0, nullptr),
                          target);
            }
            checkXlsx(worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c),
                                             records.field(c).caption().toUtf8().constData(), bold),
                      target);
        }
        for (int i = 0; i < records.recordCount(); ++i) {
            const RecordSet::Row& row = records.row(records.visibleRow(i));
            const auto r = static_cast<lxw_row_t>(i + 1);
            for (int c = 0; c < columns; ++c) {
                const QVariant& v = row[c];
                const auto col = static_cast<lxw_col_t>(c);
                if (!v.isValid() || v.isNull())
                    continue;
                switch (records.field(c).type) {
                    case FieldType::Integer:
                    case FieldType::Float:
                    case FieldType::Currency: {
                        const std::optional<double> d = gridfilter::cellNumber(v);
                        if (d) {
                            checkXlsx(worksheet_write_number(sheet, r, col, *d, numberFormats[c]),
                                      target);
                        }
                        break;
                    }
                    case FieldType::Blob:
                        break;
                    default: {
                        QString text = gridfilter::CellText(v).trimmed();
                        if (text.isEmpty())
                            break;
                        text.truncate(kXlsxMaxText);
                        checkXlsx(worksheet_write_string(sheet, r, col, text.toUtf8().constData(),
                                                         nullptr),
                                  target);
                        break;
                    }
                }
            }
        }
    } catch (...) {
        workbook_close(book);
        throw;
    }
    checkXlsx(workbook_close(book), target);
}

}  // namespace

QString fileFilter() {
    return QStringLiteral("Excel文件(*.xls);;") + xlsxFilter() + QStringLiteral(";;所有文件(*.*)");
}

QString proposedFileName(const QDateTime& now) {
    return QStringLiteral("数据-") + now.toString(QStringLiteral("yyyy_MM_dd-hh_mm_ss")) +
           QStringLiteral(".xls");
}

QString targetFileName(const QString& chosen, const QString& selectedFilter) {
    if (chosen.contains(QLatin1String(".xls"), Qt::CaseInsensitive))
        return chosen;
    const bool xlsx = selectedFilter.contains(QLatin1String("*.xlsx"), Qt::CaseInsensitive);
    return chosen + (xlsx ? QStringLiteral(".xlsx") : QStringLiteral(".xls"));
}

bool isXlsxName(const QString& path) {
    return path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive);
}

RecordSet gridRecords(const GridView* grid) {
    return buildTable(grid).records;
}

QString spreadsheetNumberFormat(const QString& displayPattern) {
    if (displayPattern.isEmpty())
        return {};
    const QStringList sections = displayPattern.split(u';');
    QStringList out;
    for (const QString& s : sections)
        out.append(excelSection(s));
    return out.join(u';');
}

void writeXlsx(const RecordSet& records, const QList<QString>& numberFormats,
               const QList<int>& widths, const QString& path) {
    if (records.recordCount() > kXlsxMaxRows) {
        throw DytError(
            QStringLiteral("导出的记录有 %1 行，超过了表格文件的上限 %2 行，请先过滤数据再导出")
                .arg(records.recordCount())
                .arg(kXlsxMaxRows));
    }
    if (records.fieldCount() > kXlsxMaxColumns) {
        throw DytError(QStringLiteral("导出的数据有 %1 列，超过了表格文件的上限 %2 列")
                           .arg(records.fieldCount())
                           .arg(kXlsxMaxColumns));
    }
    QTemporaryFile temp(QDir::temp().filePath(QStringLiteral("dyt-export-XXXXXX.xlsx")));
    if (!temp.open())
        throw DytError(QStringLiteral("无法创建文件[%1]: %2").arg(path, temp.errorString()));
    temp.close();
    writeXlsxFile(records, numberFormats, widths, temp.fileName(), path);

    QFile written(temp.fileName());
    if (!written.open(QIODevice::ReadOnly))
        throw DytError(QStringLiteral("写入文件[%1]失败: %2").arg(path, written.errorString()));
    const QByteArray bytes = written.readAll();
    written.close();

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw DytError(QStringLiteral("无法创建文件[%1]: %2").arg(path, file.errorString()));
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        throw DytError(QStringLiteral("写入文件[%1]失败: %2").arg(path, why));
    }
    if (!file.commit())
        throw DytError(QStringLiteral("写入文件[%1]失败: %2").arg(path, file.errorString()));
}

QString chooseSaveFile(QWidget* parent, const QString& title, const QString& proposed,
                       const QString& filter) {
    QString selected;
    return chooseFile(parent, title, proposed, filter, &selected);
}

FileChooser setFileChooser(FileChooser chooser) {
    FileChooser previous = std::move(chooserHook());
    chooserHook() = std::move(chooser);
    return previous;
}

DocumentOpener setDocumentOpener(DocumentOpener opener) {
    DocumentOpener previous = std::move(openerHook());
    openerHook() = std::move(opener);
    return previous;
}

}  // namespace gridexport

void writeGridWorkbook(const GridView* grid, const QString& path) {
    if (path.trimmed().isEmpty())
        throw DytError(QStringLiteral("请指定导出的文件名"));
    const gridexport::ExportTable table = gridexport::buildTable(grid);
    if (gridexport::isXlsxName(path)) {
        gridexport::writeXlsx(table.records, table.formats, table.widths, path);
    } else {
        worksheet::save(table.records, path);
    }
}

bool exportGridToExcel(GridView* grid, QWidget* parent) {
    using namespace gridexport;
    try {
        if (!grid || !grid->model() || !grid->model()->definition())
            throw DytError(QStringLiteral("无数据"));
        QString selected;
        const QString chosen =
            chooseFile(parent, dialogTitle(), proposedFileName(QDateTime::currentDateTime()),
                       fileFilter(), &selected);
        if (chosen.isEmpty())
            return false;
        const QString target = targetFileName(chosen, selected);
        writeGridWorkbook(grid, target);
        if (!openDocument(target)) {
            client::prompter().message(client::caption::hint(),
                                       QStringLiteral("数据已导出到文件[%1]，但无法打开该文件")
                                           .arg(QDir::toNativeSeparators(target)));
        }
        return true;
    } catch (const DytError& e) {
        client::prompter().showError(client::caption::error(), e.message());
        return false;
    }
}

}  // namespace dyt
