#pragma once
// The template designer of Run_DesignFrm: page, title, header fields, detail columns, footer,
// variables and fonts of a template, saved to its file.

#include <QDialog>

#include "printengine/printtemplate.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFontComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QTableWidget;

namespace dyt {
class RecordSet;
}

namespace dyt::print {

class DesignerDialog : public QDialog {
    Q_OBJECT
public:
    enum FontRole { TitleFont, HeaderFont, DetailFont, FooterFont, FontRoles };
    enum ColumnCell { ColField, ColCaption, ColWidth, ColAlign, ColDecimals, ColSum, ColCells };

    DesignerDialog(const PrintTemplate& tpl, const QString& path, const RecordSet& header,
                   const RecordSet& detail, QWidget* parent = nullptr);

    // The template as edited; throws DytError naming the first bad entry.
    PrintTemplate editedTemplate() const;
    // Saves the edited template to the file; false (with the fault in the status line) when an
    // entry is bad or the file cannot be written.
    bool save();
    QString statusText() const;
    QString path() const { return path_; }

    // Editing commands of the buttons.
    void addHeaderField(const QString& field, const QString& caption);
    void addColumn(const QString& field, const QString& caption, double width);
    void removeColumn(int row);
    void moveColumn(int row, int delta);

    // The edit controls.
    QComboBox* paperBox() const { return paper_; }
    QComboBox* orientationBox() const { return orientation_; }
    QDoubleSpinBox* marginBox(int side) const { return margins_[side]; }  // left top right bottom
    QLineEdit* titleEdit() const { return title_; }
    QSpinBox* headerColumnsBox() const { return headerColumns_; }
    QTableWidget* headerTable() const { return headerTable_; }
    QTableWidget* columnTable() const { return columnTable_; }
    QPlainTextEdit* footerEdit() const { return footer_; }
    QLineEdit* pageFooterEdit() const { return pageFooter_; }
    QPlainTextEdit* variablesEdit() const { return variables_; }
    QFontComboBox* fontBox(FontRole role) const { return fontFamily_[role]; }
    QDoubleSpinBox* fontSizeBox(FontRole role) const { return fontSize_[role]; }
    QCheckBox* boldBox(FontRole role) const { return fontBold_[role]; }

private:
    void fill(const PrintTemplate& tpl);
    void preview();
    QWidget* pageTab();
    QWidget* headerTab();
    QWidget* columnTab();
    QWidget* footerTab();
    QWidget* fontTab();
    void setColumnRow(int row, const DetailColumn& column);

    QString path_;
    const RecordSet& header_;
    const RecordSet& detail_;
    PrintTemplate base_;  // values the dialog does not edit

    QComboBox* paper_ = nullptr;
    QDoubleSpinBox* paperWidth_ = nullptr;
    QDoubleSpinBox* paperHeight_ = nullptr;
    QComboBox* orientation_ = nullptr;
    QDoubleSpinBox* margins_[4] = {};
    QDoubleSpinBox* rowHeight_ = nullptr;
    QLineEdit* title_ = nullptr;
    QSpinBox* headerColumns_ = nullptr;
    QCheckBox* repeatHeader_ = nullptr;
    QTableWidget* headerTable_ = nullptr;
    QTableWidget* columnTable_ = nullptr;
    QPlainTextEdit* footer_ = nullptr;
    QLineEdit* pageFooter_ = nullptr;
    QPlainTextEdit* variables_ = nullptr;
    QFontComboBox* fontFamily_[FontRoles] = {};
    QDoubleSpinBox* fontSize_[FontRoles] = {};
    QCheckBox* fontBold_[FontRoles] = {};
    QLabel* status_ = nullptr;
};

}  // namespace dyt::print
