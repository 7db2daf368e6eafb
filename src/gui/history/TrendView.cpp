#include "gui/history/TrendView.h"

#include "gui/history/TrendModel.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <cmath>

namespace korvel {

TrendDelegate::TrendDelegate(QObject* parent)
    : QStyledItemDelegate(parent), m_omissionText(0x9A, 0x9A, 0x9A),
      m_summaryGround(0xEE, 0xEE, 0xE4), m_blockGround{QColor(0xFF, 0xF6, 0xF4), QColor(0xF3, 0xF7, 0xFF),
                                                       QColor(0xF3, 0xFB, 0xF2)}
{
}

void TrendDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto cell = static_cast<TrendModel::Cell>(index.data(TrendModel::CellRole).toInt());
    const int position = TrendModel::positionOfColumn(index.column());
    const QRect r = option.rect;
    const int shapeBlock = TrendModel::shapeBlockOfColumn(index.column());
    if (cell == TrendModel::Cell::Summary || cell == TrendModel::Cell::SummaryLabel) {
        painter->fillRect(r, m_summaryGround);
    } else if (position >= 0) {
        painter->fillRect(r, m_blockGround[position]);
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    painter->save();
    if (cell == TrendModel::Cell::Drawn && shapeBlock >= 0) {
        // A shape is a word or a digit on a tile in its block's colour, set apart from the digit balls.
        painter->fillRect(r.adjusted(1, 1, -1, -1), TrendModel::shapeColour(shapeBlock));
        painter->setPen(Qt::white);
        QFont bold = option.font;
        bold.setBold(true);
        painter->setFont(bold);
        painter->drawText(r, Qt::AlignCenter, text);
    } else if (cell == TrendModel::Cell::Drawn) {
        const int d = std::min(r.width(), r.height()) - 3;
        const QRect ball(r.center().x() - d / 2, r.center().y() - d / 2, d, d);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(TrendModel::positionColour(position));
        painter->drawEllipse(ball);
        painter->setPen(Qt::white);
        QFont bold = option.font;
        bold.setBold(true);
        painter->setFont(bold);
        painter->drawText(r, Qt::AlignCenter, text);
    } else {
        painter->setPen(cell == TrendModel::Cell::Omission ? m_omissionText : option.palette.color(QPalette::Text));
        painter->setFont(option.font);
        painter->drawText(r, Qt::AlignCenter, text);
    }
    // The blocks are set off by a darker rule on their left.
    if ((position >= 0 && TrendModel::digitOfColumn(index.column()) == 0) ||
        TrendModel::shapeValueOfColumn(index.column()) == 0) {
        painter->setPen(QColor(0x80, 0x80, 0x80));
        painter->drawLine(r.topLeft(), r.bottomLeft());
    }
    painter->restore();
}

TrendHeader::TrendHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    setSectionResizeMode(QHeaderView::Fixed);
    setHighlightSections(false);
}

QSize TrendHeader::sizeHint() const
{
    QSize s = QHeaderView::sizeHint();
    s.setHeight(2 * fontMetrics().height() + 8);
    return s;
}

void TrendHeader::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const int h = height();
    const int half = h / 2;
    painter.fillRect(rect(), palette().button());
    painter.setPen(palette().color(QPalette::Mid));
    const auto x = [this](int section) { return sectionViewportPosition(section); };
    for (int c = 0; c < count(); ++c) {
        const int p = TrendModel::positionOfColumn(c);
        const bool twoLines = p >= 0 || TrendModel::shapeBlockOfColumn(c) >= 0;
        const QRect lower = twoLines ? QRect(x(c), half, sectionSize(c), h - half) : QRect(x(c), 0, sectionSize(c), h);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(lower.adjusted(0, 0, -1, -1));
        painter.setPen(p >= 0 ? TrendModel::positionColour(p) : palette().color(QPalette::ButtonText));
        painter.drawText(lower, Qt::AlignCenter, TrendModel::columnCaption(c));
    }
    for (int p = 0; p < 3; ++p) {
        const int first = TrendModel::columnOf(p, 0);
        const int last = TrendModel::columnOf(p, 9);
        const QRect upper(x(first), 0, x(last) + sectionSize(last) - x(first), half);
        painter.fillRect(upper.adjusted(1, 1, -1, -1), TrendModel::positionColour(p));
        painter.setPen(Qt::white);
        QFont bold = font();
        bold.setBold(true);
        painter.setFont(bold);
        painter.drawText(upper, Qt::AlignCenter, TrendFigures::positionName(p));
        painter.setFont(font());
    }
    for (int b = 0; b < TrendFigures::kShapeBlocks; ++b) {
        const int first = TrendModel::shapeColumnOf(b, 0);
        const int last = TrendModel::shapeColumnOf(b, TrendFigures::kShapeValues - 1);
        const QRect upper(x(first), 0, x(last) + sectionSize(last) - x(first), half);
        painter.fillRect(upper.adjusted(1, 1, -1, -1), TrendModel::shapeColour(b));
        painter.setPen(Qt::white);
        painter.drawText(upper, Qt::AlignCenter, TrendFigures::shapeBlockName(b));
    }
}

TrendView::TrendView(TrendModel* model, QWidget* parent) : QTableView(parent), m_model(model)
{
    setObjectName(QStringLiteral("trendGrid"));
    setHorizontalHeader(new TrendHeader(this));
    setModel(model);
    setItemDelegate(new TrendDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setWordWrap(false);
    setShowGrid(true);
    setGridStyle(Qt::DotLine);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    applyColumnWidths();
}

void TrendView::applyColumnWidths()
{
    const QFontMetrics fm = fontMetrics();
    const int digit = std::max(fm.horizontalAdvance(QStringLiteral("888")) + 6, verticalHeader()->defaultSectionSize());
    const int caption = fm.horizontalAdvance(QStringLiteral("奇偶比")) + 12;
    horizontalHeader()->setMinimumSectionSize(10);
    for (int c = 0; c < TrendModel::ColumnCount; ++c) {
        int w = digit;
        if (c == TrendModel::ColIssue) {
            w = std::max(fm.horizontalAdvance(QStringLiteral("2026253")),
                         fm.horizontalAdvance(QStringLiteral("出现次数"))) +
                14;
        } else if (TrendModel::shapeBlockOfColumn(c) == 0) {
            w = fm.horizontalAdvance(QStringLiteral("豹子")) + 10;
        } else if (TrendModel::shapeBlockOfColumn(c) > 0) {
            // Three columns must carry the block's caption ("百位012路") above them.
            w = std::max(digit, fm.horizontalAdvance(QStringLiteral("百位012路")) / 3 + 4);
        } else if (TrendModel::positionOfColumn(c) < 0) {
            w = caption;
        }
        setColumnWidth(c, w);
    }
}

void TrendView::paintEvent(QPaintEvent* event)
{
    QTableView::paintEvent(event);
    const int drawRows = m_model->figures().rowCount();
    if (drawRows < 2) {
        return;
    }
    // The visible draw rows, one more on each side so that a segment entering the view is drawn.
    const int top = std::max(0, rowAt(0) - 1);
    int bottom = rowAt(viewport()->height() - 1);
    bottom = bottom < 0 ? drawRows - 1 : std::min(drawRows - 1, bottom + 1);
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    const int radius = (std::min(columnWidth(TrendModel::columnOf(0, 0)), rowHeight(0)) - 3) / 2;
    for (int p = 0; p < TrendFigures::kPositions; ++p) {
        QPen pen(TrendModel::positionColour(p), 1.3);
        painter.setPen(pen);
        const auto centre = [&](int row) {
            const int column = TrendModel::columnOf(p, std::clamp(m_model->figures().digit(row, p), 0, 9));
            return QPointF(columnViewportPosition(column) + columnWidth(column) / 2.0,
                           rowViewportPosition(row) + rowHeight(row) / 2.0);
        };
        QPointF previous = centre(top);
        for (int row = top + 1; row <= bottom; ++row) {
            const QPointF next = centre(row);
            const QPointF delta = next - previous;
            const double length = std::hypot(delta.x(), delta.y());
            if (length > 2.0 * radius) {
                // From ball edge to ball edge, so the line never crosses a digit.
                const QPointF step = delta * (radius / length);
                painter.drawLine(previous + step, next - step);
            }
            previous = next;
        }
    }
}

int TrendView::fullHeight() const
{
    return horizontalHeader()->sizeHint().height() + m_model->rowCount() * verticalHeader()->defaultSectionSize() +
           2 * frameWidth();
}

QImage TrendView::renderAll() const
{
    // A twin grid tall enough for every row, drawn off the screen.
    TrendView twin(m_model);
    twin.setAttribute(Qt::WA_DontShowOnScreen);
    twin.setFont(font());
    twin.applyColumnWidths();
    twin.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    twin.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    int width = 2 * twin.frameWidth();
    for (int c = 0; c < TrendModel::ColumnCount; ++c) {
        width += twin.columnWidth(c);
    }
    twin.resize(width, twin.fullHeight());
    twin.show();
    QImage image(twin.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    twin.render(&image);
    return image;
}

} // namespace korvel
