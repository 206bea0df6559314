// The in-place editors.
#include "InPlaceEditors.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpressionValidator>
#include <QTimeEdit>

namespace {

// Ends the edit once: writes (or not), reports, and goes.
class CEditSession : public QObject {
public:
    // Commit: Enter or a choice from the list, written as it stands.
    // Leave: the editor lost the focus; written only when changed, so a
    // row the operator merely passed through keeps what it had.
    enum EEnd { Drop, Commit, Leave };

    CEditSession(QWidget* editor, CCmd& cmd, int index, std::function<QString()> read,
                 std::function<void(const SEditEnd&)> done)
        : QObject(editor), m_editor(editor), m_cmd(cmd), m_index(index), m_read(std::move(read)),
          m_done(std::move(done)), m_initial(m_read()) {
        editor->installEventFilter(this);
        for (QWidget* child : editor->findChildren<QWidget*>()) child->installEventFilter(this);
    }
    void End(EEnd how) {
        if (m_ended) return;
        m_ended = true;
        SEditEnd end;
        end.text = m_read();
        if (how == Leave && end.text == m_initial) {
            end.how = SEditEnd::Unchanged;
        } else if (how != Drop) {
            CParaItem& para = m_cmd.GetParaArray()[static_cast<size_t>(m_index)];
            end.rule = m_cmd.EntryFault(m_index, end.text.toStdString());
            end.how = end.rule.empty() ? SEditEnd::Written : SEditEnd::Refused;
            if (end.how == SEditEnd::Written) {
                para.SetValueText(end.text.toStdString());
                m_cmd.NotifyChanged(m_index);
            }
        }
        QPointer<QWidget> editor(m_editor);
        auto done = m_done;
        if (editor) editor->deleteLater();
        done(end);
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        const bool key = e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease;
        auto* choice = qobject_cast<QComboBox*>(m_editor);
        const bool dropped = key && choice && choice->view()->isVisible();  // the keys are the entries'
        if (key && !dropped) {
            auto* k = static_cast<QKeyEvent*>(e);
            if ((k->key() == Qt::Key_Up || k->key() == Qt::Key_Down) && !(k->modifiers() & Qt::AltModifier)) {
                k->ignore();  // not ours: on to the parent
                return true;
            }
        }
        if (e->type() == QEvent::KeyPress && !dropped) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Escape) return End(Drop), true;
            if (key == Qt::Key_Return || key == Qt::Key_Enter) return End(Commit), true;
            if (key == Qt::Key_F2 && choice) return choice->showPopup(), true;
            if ((key == Qt::Key_Left || key == Qt::Key_Right) && StepThroughBoxes(o, key == Qt::Key_Right)) return true;
        }
        if (e->type() == QEvent::FocusOut && !FocusStaysInside()) End(Leave);
        return QObject::eventFilter(o, e);
    }

private:
    // Left and Right go from check box to check box of an editor with several.
    bool StepThroughBoxes(QObject* from, bool forward) {
        auto* box = qobject_cast<QCheckBox*>(from);
        if (!box) return false;
        const QList<QCheckBox*> boxes = m_editor->findChildren<QCheckBox*>();
        const qsizetype to = boxes.indexOf(box) + (forward ? 1 : -1);
        if (to >= 0 && to < boxes.size()) boxes[to]->setFocus(Qt::TabFocusReason);
        return true;
    }
    // Focus moving inside the editor (a sub-field, its drop-down or calendar) is no end.
    bool FocusStaysInside() const {
        if (auto* c = qobject_cast<QComboBox*>(m_editor); c && c->view()->isVisible()) return true;
        QWidget* now = QApplication::focusWidget();
        if (!now) return false;
        return now == m_editor || m_editor->isAncestorOf(now) || now->window() != m_editor->window();
    }
    QWidget* m_editor;
    CCmd& m_cmd;
    int m_index;
    std::function<QString()> m_read;
    std::function<void(const SEditEnd&)> m_done;
    QString m_initial;
    bool m_ended = false;
};

// The choice list: closing its drop-down ends the edit with what it shows.
class CInPlaceList : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> onCloseUp;
    void hidePopup() override {
        QComboBox::hidePopup();
        if (onCloseUp) onCloseUp();
    }
};

}  // namespace

int EditorFor(const CParaItem& para) {
    switch (para.GetKind()) {
        case PK_TEXT:
        case PK_STRING:
        case PK_HEX:
        case PK_NUMBER: return IDC_INPLACE_EDIT;
        case PK_ENUM: return para.IsCheckBox() ? IDC_INPLACE_CHECK : IDC_INPLACE_LIST;
        case PK_BITS: return IDC_INPLACE_CHECK;
        case PK_DATE:
        case PK_TIME: return IDC_INPLACE_DTEDIT;
        case PK_IPADDR: return IDC_INPLACE_IPEDIT;
        default: return 0;
    }
}

QWidget* CreateInPlaceEditor(QWidget* parent, const QRect& cell, CCmd& cmd, int index, const QString& text,
                             std::function<void(const SEditEnd&)> done) {
    CParaItem& para = cmd.GetParaArray()[static_cast<size_t>(index)];
    const int id = EditorFor(para);
    if (!id) return nullptr;
    QWidget* editor = nullptr;
    std::function<QString()> read;
    QRect rect = cell;
    const QString value = QString::fromStdString(para.GetValueText());
    switch (id) {
        case IDC_INPLACE_EDIT: {
            rect.adjust(0, -2, 0, 2);  // a little taller than the cell
            // No length cap: a text cut short while typing would go unnoticed.
            auto* e = new QLineEdit(text, parent);
            e->selectAll();
            read = [e] { return e->text(); };
            editor = e;
            break;
        }
        case IDC_INPLACE_IPEDIT: {
            auto* e = new QLineEdit(text, parent);
            e->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("^(\\d{1,3}(\\.\\d{0,3}){0,3})?$")), e));
            e->selectAll();  // typed over
            read = [e] { return e->text(); };
            editor = e;
            break;
        }
        case IDC_INPLACE_LIST: {
            auto* c = new CInPlaceList(parent);
            for (const std::string& t : para.GetChoiceTexts()) c->addItem(QString::fromStdString(t));
            c->setCurrentIndex(para.GetMatchIndex(para.GetChoiceTexts()));
            read = [c] { return c->currentText(); };
            editor = c;
            break;
        }
        case IDC_INPLACE_CHECK: {
            auto* box = new QWidget(parent);
            box->setAutoFillBackground(true);
            auto* layout = new QHBoxLayout(box);
            layout->setContentsMargins(2, 0, 2, 0);
            if (para.GetKind() == PK_BITS) {
                std::vector<QCheckBox*> checks;
                const auto& items = para.Desc().items;
                for (size_t i = 0; i < items.size(); ++i) {
                    auto* cb = new QCheckBox(QString::fromStdString(items[i]), box);
                    cb->setChecked(para.GetItemStates()[i] == 1);
                    layout->addWidget(cb);
                    checks.push_back(cb);
                }
                read = [checks, items] {
                    QStringList parts;
                    for (size_t i = 0; i < checks.size(); ++i)
                        parts << QString::fromStdString(items[i]) + (checks[i]->isChecked() ? "-1" : "-0");
                    return parts.join('&');
                };
            } else {
                // Two choices: unchecked is the first, checked the second.
                const auto texts = para.GetChoiceTexts();
                auto* cb = new QCheckBox(QString::fromStdString(texts.at(1)), box);
                cb->setChecked(para.GetMatchIndex(texts) == 1);
                layout->addWidget(cb);
                read = [cb, texts] { return QString::fromStdString(texts.at(cb->isChecked() ? 1 : 0)); };
            }
            // The keys go to the first check box; Left and Right step on.
            if (QCheckBox* first = box->findChild<QCheckBox*>()) box->setFocusProxy(first);
            rect.setWidth(std::max(rect.width(), box->sizeHint().width()));
            editor = box;
            break;
        }
        case IDC_INPLACE_DTEDIT: {
            if (para.GetKind() == PK_DATE) {
                auto* d = new QDateEdit(parent);
                d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
                d->setCalendarPopup(true);
                const QDate v = QDate::fromString(value, QStringLiteral("yyyy-MM-dd"));
                d->setDate(v.isValid() ? v : QDate::currentDate());
                read = [d] { return d->date().toString(QStringLiteral("yyyy-MM-dd")); };
                editor = d;
            } else {
                auto* t = new QTimeEdit(parent);
                t->setDisplayFormat(QStringLiteral("HH:mm:ss"));
                const QTime v = QTime::fromString(value, QStringLiteral("HH:mm:ss"));
                t->setTime(v.isValid() ? v : QTime(0, 0));
                read = [t] { return t->time().toString(QStringLiteral("HH:mm:ss")); };
                editor = t;
            }
            break;
        }
        default:
            return nullptr;
    }
    editor->setObjectName(QStringLiteral("ctl%1").arg(id));
    editor->setProperty("controlId", id);
    editor->setGeometry(rect);
    auto* session = new CEditSession(editor, cmd, index, read, std::move(done));
    if (auto* list = dynamic_cast<CInPlaceList*>(editor)) {
        QObject::connect(list, &QComboBox::activated, session, [session] { session->End(CEditSession::Commit); });
        // A choice made with the keys closes the drop-down before it is
        // applied: the value is read once the choice is through.
        list->onCloseUp = [session] {
            QMetaObject::invokeMethod(session, [session] { session->End(CEditSession::Leave); }, Qt::QueuedConnection);
        };
    }
    editor->show();
    editor->setFocus();
    // A date or time is typed over from its first part on.
    if (auto* dt = qobject_cast<QDateTimeEdit*>(editor)) dt->setSelectedSection(dt->sectionAt(0));
    return editor;
}

CTitleTip::CTitleTip(QWidget* owner)
    : QLabel(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput) {
    setObjectName(QStringLiteral("titleTip"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    setIndent(3);
}

bool CTitleTip::Show(const QRect& cell, const QString& text, const QFont& font) {
    const int needed = QFontMetrics(font).horizontalAdvance(text);
    // The list draws a cell's text 3 pixels in and keeps 2 free at its end.
    if (needed <= cell.width() - 5) {
        hide();
        m_cell = {};
        return false;
    }
    m_cell = cell;
    setFont(font);
    setText(text);
    setGeometry(cell.left(), cell.top(), needed + 6, cell.height());
    show();
    return true;
}
