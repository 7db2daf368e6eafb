#include "gui/tally/FormulaFilterDialog.h"

#include "verify/FormulaList.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace korvel {

FormulaFilterDialog::FormulaFilterDialog(FormulaList& list, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_list(list), m_dialogs(dialogs), m_ok(new QPushButton(QStringLiteral("确定(&K)"), this))
{
    setObjectName(QStringLiteral("formulaFilterDialog"));
    setWindowTitle(QStringLiteral("公式过滤设置窗口"));
    setModal(true);

    auto* frame = new QGroupBox(QStringLiteral("公式参数"), this);
    frame->setObjectName(QStringLiteral("filterFrame"));
    auto* grid = new QGridLayout(frame);
    for (int i = 0; i < FormulaFilter::kStatCount; ++i) {
        auto* name = new QLabel(FormulaFilter::statisticName(i), frame);
        grid->addWidget(name, i, 0);
        for (int side = 0; side < 2; ++side) {
            const int n = 2 * i + side;
            auto* edit = new QLineEdit(frame);
            edit->setObjectName(QStringLiteral("filterBox%1").arg(n));
            edit->installEventFilter(this);
            m_boxes[static_cast<std::size_t>(n)] = edit;
            grid->addWidget(edit, i, side == 0 ? 1 : 3);
        }
        grid->addWidget(new QLabel(QStringLiteral("到"), frame), i, 2);
    }

    m_ok->setObjectName(QStringLiteral("filterOkButton"));
    m_ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &FormulaFilterDialog::confirm);
}

FormulaFilter::Boxes FormulaFilterDialog::boxTexts() const
{
    FormulaFilter::Boxes texts;
    for (int i = 0; i < FormulaFilter::kBoxCount; ++i) {
        texts[static_cast<std::size_t>(i)] = m_boxes[static_cast<std::size_t>(i)]->text();
    }
    return texts;
}

void FormulaFilterDialog::prefill()
{
    const FormulaFilter::Boxes texts = FormulaFilter::prefill(m_list);
    for (int i = 0; i < FormulaFilter::kBoxCount; ++i) {
        m_boxes[static_cast<std::size_t>(i)]->setText(texts[static_cast<std::size_t>(i)]);
    }
}

void FormulaFilterDialog::showEvent(QShowEvent* event)
{
    prefill();
    QDialog::showEvent(event);
    m_boxes[0]->setFocus();
}

bool FormulaFilterDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
            // After the mouse press has placed the cursor, so that a click selects the whole text too.
            QTimer::singleShot(0, edit, &QLineEdit::selectAll);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FormulaFilterDialog::confirm()
{
    const FormulaFilter::Boxes texts = boxTexts();
    // Hidden before the result message, which then stands over the main window.
    accept();
    FormulaFilter::confirm(m_list, texts, m_dialogs);
}

} // namespace korvel
