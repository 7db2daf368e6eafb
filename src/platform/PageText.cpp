#include "platform/PageText.h"

#include "platform/TextCodec.h"

#include <QRegularExpression>

#include <gumbo.h>

#include <memory>
#include <optional>

namespace korvel::pagetext {

namespace {

QString charsetOf(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("charset\\s*=\\s*[\"']?([A-Za-z0-9_.:\\-]+)"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(text);
    return m.hasMatch() ? m.captured(1).toLower() : QString();
}

bool isUtf8Name(const QString& charset)
{
    return charset == QLatin1String("utf-8") || charset == QLatin1String("utf8");
}

bool isGbkName(const QString& charset)
{
    return charset == QLatin1String("gbk") || charset == QLatin1String("gb2312") ||
           charset == QLatin1String("gb18030") || charset == QLatin1String("x-gbk") ||
           charset == QLatin1String("cp936");
}

std::optional<QString> decodeAs(const QString& charset, const QByteArray& bytes)
{
    if (isUtf8Name(charset)) {
        return QString::fromUtf8(bytes); // as a browser does: a bad sequence shows as a replacement mark
    }
    if (isGbkName(charset)) {
        return textcodec::decodeGbk(bytes); // a stray byte falls back to the guess below
    }
    return std::nullopt;
}

bool skipped(GumboTag tag)
{
    switch (tag) {
    case GUMBO_TAG_SCRIPT:
    case GUMBO_TAG_STYLE:
    case GUMBO_TAG_NOSCRIPT:
    case GUMBO_TAG_TEMPLATE:
    case GUMBO_TAG_HEAD:
    case GUMBO_TAG_TITLE:
    case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_OBJECT:
    case GUMBO_TAG_EMBED:
    case GUMBO_TAG_SELECT:
        return true;
    default:
        return false;
    }
}

bool isBlock(GumboTag tag)
{
    switch (tag) {
    case GUMBO_TAG_P:
    case GUMBO_TAG_DIV:
    case GUMBO_TAG_H1:
    case GUMBO_TAG_H2:
    case GUMBO_TAG_H3:
    case GUMBO_TAG_H4:
    case GUMBO_TAG_H5:
    case GUMBO_TAG_H6:
    case GUMBO_TAG_UL:
    case GUMBO_TAG_OL:
    case GUMBO_TAG_LI:
    case GUMBO_TAG_DL:
    case GUMBO_TAG_DT:
    case GUMBO_TAG_DD:
    case GUMBO_TAG_TABLE:
    case GUMBO_TAG_CAPTION:
    case GUMBO_TAG_TR:
    case GUMBO_TAG_SECTION:
    case GUMBO_TAG_ARTICLE:
    case GUMBO_TAG_HEADER:
    case GUMBO_TAG_FOOTER:
    case GUMBO_TAG_NAV:
    case GUMBO_TAG_ASIDE:
    case GUMBO_TAG_MAIN:
    case GUMBO_TAG_BLOCKQUOTE:
    case GUMBO_TAG_PRE:
    case GUMBO_TAG_FORM:
    case GUMBO_TAG_FIELDSET:
    case GUMBO_TAG_HR:
    case GUMBO_TAG_ADDRESS:
    case GUMBO_TAG_FIGURE:
    case GUMBO_TAG_CENTER:
        return true;
    default:
        return false;
    }
}

// Collects the visible text with the layout rules of the header.
class TextBuilder {
public:
    void text(const char* utf8)
    {
        const QString s = QString::fromUtf8(utf8);
        for (const QChar c : s) {
            // HTML collapses only ASCII white space; a no-break space is text.
            if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r') ||
                c == QLatin1Char('\f')) {
                m_pendingBlank = true;
                continue;
            }
            if (m_pendingBlank && !m_out.isEmpty() && !m_out.endsWith(QLatin1Char('\n')) && !m_atCellEdge) {
                m_out += QLatin1Char(' ');
            }
            m_pendingBlank = false;
            m_atCellEdge = false;
            m_out += c;
        }
    }

    void lineBreak()
    {
        m_pendingBlank = false;
        m_atCellEdge = false;
        if (!m_out.isEmpty() && !m_out.endsWith(QLatin1Char('\n'))) {
            m_out += QLatin1Char('\n');
        }
    }

    // White space next to a cell's edge is not shown between cells.
    void cellEdge()
    {
        m_pendingBlank = false;
        m_atCellEdge = true;
    }

    QString take()
    {
        while (m_out.endsWith(QLatin1Char('\n'))) {
            m_out.chop(1);
        }
        return std::move(m_out);
    }

private:
    QString m_out;
    bool m_pendingBlank = false;
    bool m_atCellEdge = false;
};

void walk(const GumboNode* node, TextBuilder& out, int cellDepth)
{
    switch (node->type) {
    case GUMBO_NODE_TEXT:
    case GUMBO_NODE_CDATA:
    case GUMBO_NODE_WHITESPACE:
        out.text(node->v.text.text);
        return;
    case GUMBO_NODE_COMMENT:
        return;
    case GUMBO_NODE_DOCUMENT:
    case GUMBO_NODE_ELEMENT:
    case GUMBO_NODE_TEMPLATE:
        break;
    }
    if (node->type == GUMBO_NODE_TEMPLATE) {
        return;
    }
    const GumboVector* children =
        node->type == GUMBO_NODE_DOCUMENT ? &node->v.document.children : &node->v.element.children;
    GumboTag tag = GUMBO_TAG_UNKNOWN;
    if (node->type == GUMBO_NODE_ELEMENT) {
        tag = node->v.element.tag;
        if (skipped(tag)) {
            return;
        }
    }
    const bool cell = tag == GUMBO_TAG_TD || tag == GUMBO_TAG_TH;
    const bool block = cellDepth == 0 && isBlock(tag);
    if (tag == GUMBO_TAG_BR) {
        if (cellDepth == 0) {
            out.lineBreak();
        }
        return;
    }
    if (block) {
        out.lineBreak();
    }
    if (cell) {
        out.cellEdge();
    }
    for (unsigned i = 0; i < children->length; ++i) {
        walk(static_cast<const GumboNode*>(children->data[i]), out, cellDepth + (cell ? 1 : 0));
    }
    if (cell) {
        out.cellEdge();
    }
    if (block) {
        out.lineBreak();
    }
}

const GumboNode* findBody(const GumboNode* node)
{
    if (node->type == GUMBO_NODE_ELEMENT && node->v.element.tag == GUMBO_TAG_BODY) {
        return node;
    }
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_DOCUMENT) {
        return nullptr;
    }
    const GumboVector& children =
        node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
    for (unsigned i = 0; i < children.length; ++i) {
        if (const GumboNode* found = findBody(static_cast<const GumboNode*>(children.data[i]))) {
            return found;
        }
    }
    return nullptr;
}

struct OutputDeleter {
    void operator()(GumboOutput* output) const { gumbo_destroy_output(&kGumboDefaultOptions, output); }
};

} // namespace

QString decodeHtml(const QByteArray& html, const QString& contentType)
{
    static const QByteArray bom("\xEF\xBB\xBF", 3);
    if (html.startsWith(bom)) {
        return QString::fromUtf8(html.mid(3));
    }
    QString charset = charsetOf(contentType);
    if (charset.isEmpty()) {
        // The meta tag sits near the top; its bytes are ASCII in every encoding we meet.
        charset = charsetOf(QString::fromLatin1(html.left(4096)));
    }
    if (auto text = decodeAs(charset, html)) {
        return *text;
    }
    if (textcodec::isValidUtf8(html)) {
        return QString::fromUtf8(html);
    }
    if (auto gbk = textcodec::decodeGbk(html)) {
        return *gbk;
    }
    return QString::fromUtf8(html); // lossy, but the ASCII digits and dates survive
}

QString bodyText(const QByteArray& html, const QString& contentType)
{
    const QByteArray utf8 = decodeHtml(html, contentType).toUtf8();
    std::unique_ptr<GumboOutput, OutputDeleter> output(
        gumbo_parse_with_options(&kGumboDefaultOptions, utf8.constData(), static_cast<size_t>(utf8.size())));
    if (!output) {
        return {};
    }
    const GumboNode* body = findBody(output->document);
    if (!body) {
        return {};
    }
    TextBuilder builder;
    walk(body, builder, 0);
    return builder.take();
}

} // namespace korvel::pagetext
