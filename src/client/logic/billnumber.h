#pragma once
// The next bill number: the row p_sys_Get_BillAutoCode answers for a bill kind and date (format,
// counter, date, machine-number flag), turned into a number with the format's date pattern and
// counter mask, the machine number in front when the account set asks for it, and corrected when
// the number already exists (option 2015).

#include <QDate>
#include <QString>
#include <QTime>

namespace dyt {
class RecordSet;
}

namespace dyt::client {

class TdmMain;

namespace billnumber {

// The key of the client configuration file that holds this computer's machine number.
QString machineNumberKey();  // "MachineNo"

// What p_sys_Get_BillAutoCode answers.
struct AutoCode {
    QString snFormat;
    qint64 maxNo = 0;
    QDate billDate;
    bool machinePrefix = false;  // IsPcID = 1
};

// Reads the first row of the answer; throws DytError when there is none or its BillDate is not a
// date.
AutoCode autoCodeFromRow(const RecordSet& rows);

// The number of an answer: the bill date at the time of day formatted with SNFormat (CR and LF
// removed, double-quoted text literal), the counter put into the mask between "[" and "]", and,
// with the machine-number flag, the machine number and "-" in front. A format that starts with
// that prefix already (the numbering window writes it into the format of the computer that saved
// it) does not get it twice; an empty machine number adds nothing. An empty format gives an empty
// number.
QString composeNumber(const AutoCode& code, const QTime& timeOfDay, const QString& machineNumber);

// The query that finds the highest number beginning like `number` when `number` is taken.
QString duplicateCheckSql(const QString& number);

// The code with its trailing run of digits increased by one, zero-padded to the run's width (the
// run grows when it overflows: "JH0999" -> "JH1000"); "1" is appended when the code does not end
// in a digit.
QString incrementTrailingDigits(const QString& code);

struct Options {
    bool autoNumbering = false;    // account-set setting "AutoSN"
    bool checkDuplicates = false;  // option 2015
    QString machineNumber;
    QTime timeOfDay;  // invalid: the current time

    // The values of the settings and of the client configuration file.
    static Options fromSettings();
};

// The next number for the kind and date through the data module. Without automatic numbering
// the current number comes back unchanged. Server failures reach the caller as DytError.
QString nextBillNumber(TdmMain& dm, int djType, const QDate& billDate, const QString& current,
                       const Options& options);
// The same with the process's data module and Options::fromSettings().
QString nextBillNumber(int djType, const QDate& billDate, const QString& current);

}  // namespace billnumber
}  // namespace dyt::client
