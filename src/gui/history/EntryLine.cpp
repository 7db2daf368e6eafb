#include "gui/history/EntryLine.h"

#include "history/EntryHost.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace korvel {

EntryLine::EntryLine(EntryHost& host, QWidget* parent)
    : QWidget(parent), m_host(host), m_issue(new QLineEdit(this)), m_date(new QLineEdit(this))
{
    setObjectName(QStringLiteral("entryLine"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* caption = new QLabel(QStringLiteral("手工输入已经开出的历史号码记录下一期:"), this);
    caption->setObjectName(QStringLiteral("entryCaption"));
    layout->addWidget(caption);

    layout->addWidget(new QLabel(QStringLiteral("期号："), this));
    m_issue->setObjectName(QStringLiteral("issueEdit"));
    m_issue->setFixedWidth(m_issue->fontMetrics().horizontalAdvance(QStringLiteral("20070010")) + 12);
    layout->addWidget(m_issue);

    layout->addWidget(new QLabel(QStringLiteral("开奖号："), this));
    const int boxWidth = m_issue->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 2 + 14;
    for (std::size_t i = 0; i < m_digits.size(); ++i) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("digitBox%1").arg(i + 1));
        box->setMaxLength(1);
        box->setAlignment(Qt::AlignCenter);
        box->setFixedWidth(boxWidth);
        box->installEventFilter(this);
        layout->addWidget(box);
        m_digits[i] = box;
    }

    layout->addWidget(new QLabel(QStringLiteral("日期："), this));
    m_date->setObjectName(QStringLiteral("dateEdit"));
    m_date->setFixedWidth(m_date->fontMetrics().horizontalAdvance(QStringLiteral("2000-00-000")) + 12);
    m_date->installEventFilter(this);
    layout->addWidget(m_date);
    layout->addStretch(1);

    connect(m_issue, &QLineEdit::textEdited, this, [this](const QString& text) { m_host.setNextIssue(text); });
    connect(m_date, &QLineEdit::textEdited, this, [this](const QString& text) { m_host.setEntryDate(text); });
    connect(&m_host, &EntryHost::entryChanged, this, &EntryLine::showHostTexts);
    showHostTexts();
}

void EntryLine::showHostTexts()
{
    // Only a different text is written back, so the cursor stays where the user is typing.
    if (m_issue->text() != m_host.nextIssue()) {
        m_issue->setText(m_host.nextIssue());
    }
    if (m_date->text() != m_host.entryDate()) {
        m_date->setText(m_host.entryDate());
    }
}

void EntryLine::focusFirstBox()
{
    m_digits[0]->setFocus(Qt::OtherFocusReason);
    // Already focused boxes get no focus event; empty them here as well.
    for (QLineEdit* box : m_digits) {
        box->clear();
    }
}

int EntryLine::boxOf(QObject* watched) const
{
    for (std::size_t i = 0; i < m_digits.size(); ++i) {
        if (m_digits[i] == watched) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool EntryLine::digitKey(int box, const QString& text)
{
    const bool digit = text.size() == 1 && text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('9');
    if (!digit) {
        if (box == 2) {
            emit thirdBoxTyped();
        }
        return false; // the box handles the key as usual
    }
    m_digits[static_cast<std::size_t>(box)]->setText(text);
    if (box < 2) {
        m_digits[static_cast<std::size_t>(box + 1)]->setFocus(Qt::OtherFocusReason);
        return true;
    }
    m_host.enterDraw(m_digits[0]->text(), m_digits[1]->text(), m_digits[2]->text());
    focusFirstBox();
    emit thirdBoxTyped();
    return true;
}

bool EntryLine::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_date) {
        if (event->type() == QEvent::FocusOut) {
            m_host.normaliseEntryDate();
        }
        return QWidget::eventFilter(watched, event);
    }
    const int box = boxOf(watched);
    if (box < 0) {
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() == QEvent::FocusIn && box == 0) {
        for (QLineEdit* b : m_digits) {
            b->clear();
        }
    } else if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!key->text().isEmpty() && key->text()[0].isPrint()) {
            if (digitKey(box, key->text())) {
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace korvel
