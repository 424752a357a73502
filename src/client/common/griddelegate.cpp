#include "client/common/griddelegate.h"

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QStyle>

#include "client/logic/gridcolumn.h"
#include "client/logic/recordsetmodel.h"

namespace dyt {

namespace {
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
}

GridItemDelegate::GridItemDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

const GridColumn* GridItemDelegate::columnOf(const QModelIndex& index) {
    const auto* model = qobject_cast<const RecordSetModel*>(index.model());
    if (!model || !model->definition() || index.column() < 0 ||
        index.column() >= model->definition()->columns.size()) {
        return nullptr;
    }
    return &model->definition()->columns[index.column()];
}

QWidget* GridItemDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const {
    QWidget* editor = makeEditor(parent, option, index);
    if (editor)
        editors_.append({editor, QPersistentModelIndex(index)});
    return editor;
}

QWidget* GridItemDelegate::makeEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const {
    const GridColumn* column = columnOf(index);
    if (!column)
        return QStyledItemDelegate::createEditor(parent, option, index);
    switch (column->editor) {
        case EditorKind::Number: {
            auto* spin = new QDoubleSpinBox(parent);
            spin->setDecimals(column->decimals);
            const double max = column->maxValue > 0 ? column->maxValue : kNumberEditorMax;
            spin->setRange(-max, max);
            spin->setButtonSymbols(QAbstractSpinBox::NoButtons);
            spin->setAlignment(column->alignment);
            spin->setFrame(false);
            return spin;
        }
        case EditorKind::Date: {
            auto* date = new QDateEdit(parent);
            date->setDisplayFormat(kDateFormat);
            date->setCalendarPopup(true);
            date->setFrame(false);
            return date;
        }
        case EditorKind::Button: {
            auto* edit = new QLineEdit(parent);
            edit->setFrame(false);
            const QIcon icon =
                column->buttonGlyph.isEmpty()
                    ? QApplication::style()->standardIcon(QStyle::SP_FileDialogContentsView)
                    : QIcon(column->buttonGlyph);
            QAction* action = edit->addAction(icon, QLineEdit::TrailingPosition);
            const QPersistentModelIndex target(index);
            auto* self = const_cast<GridItemDelegate*>(this);
            connect(action, &QAction::triggered, self, [self, target] {
                if (target.isValid())
                    Q_EMIT self->buttonClicked(target);
            });
            return edit;
        }
        case EditorKind::CheckBox:
            return nullptr;
        case EditorKind::Text:
            break;
    }
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void GridItemDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    const QVariant value = index.data(Qt::EditRole);
    if (auto* spin = qobject_cast<QDoubleSpinBox*>(editor)) {
        spin->setValue(value.isValid() ? value.toDouble() : 0.0);
        return;
    }
    if (auto* date = qobject_cast<QDateEdit*>(editor)) {
        const QDate d = QDate::fromString(value.toString(), kDateFormat);
        date->setDate(d.isValid() ? d : QDate::currentDate());
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void GridItemDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                    const QModelIndex& index) const {
    if (auto* spin = qobject_cast<QDoubleSpinBox*>(editor)) {
        spin->interpretText();
        model->setData(index, spin->value(), Qt::EditRole);
        return;
    }
    if (auto* date = qobject_cast<QDateEdit*>(editor)) {
        model->setData(index, date->date().toString(kDateFormat), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

void GridItemDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const {
    editors_.removeIf([editor](const OpenEditor& e) { return !e.editor || e.editor == editor; });
    QStyledItemDelegate::destroyEditor(editor, index);
}

QWidget* GridItemDelegate::openEditor() const {
    for (const OpenEditor& e : editors_)
        if (e.editor)
            return e.editor;
    return nullptr;
}

bool GridItemDelegate::isOpen(const QWidget* editor) const {
    for (const OpenEditor& e : editors_)
        if (e.editor == editor)
            return true;
    return false;
}

void GridItemDelegate::closeOpenEditor(bool commit) {
    QWidget* editor = openEditor();
    if (!editor)
        return;
    if (commit)
        Q_EMIT commitData(editor);
    // Committing may have replaced the rows, and the view the editor with them.
    if (isOpen(editor))
        Q_EMIT closeEditor(editor, QAbstractItemDelegate::NoHint);
}

bool GridItemDelegate::eventFilter(QObject* object, QEvent* event) {
    auto* editor = qobject_cast<QWidget*>(object);
    if (editor && event->type() == QEvent::KeyPress && isOpen(editor)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            // Committed and closed at once, so that whatever the window does next (walking on,
            // replacing the rows) finds no editor in the view.
            QPersistentModelIndex index;
            for (const OpenEditor& e : editors_)
                if (e.editor == editor)
                    index = e.index;
            const QAbstractItemModel* model = index.model();
            const int row = index.row();
            const int column = index.column();
            Q_EMIT commitData(editor);
            if (isOpen(editor))
                Q_EMIT closeEditor(editor, QAbstractItemDelegate::NoHint);
            // The commit may have replaced the rows (a line added by it): the cell by position.
            if (index.isValid())
                Q_EMIT editorReturned(index);
            else if (model && row >= 0 && row < model->rowCount() && column < model->columnCount())
                Q_EMIT editorReturned(model->index(row, column));
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

}  // namespace dyt
