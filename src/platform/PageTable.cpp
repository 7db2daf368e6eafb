#include "platform/PageTable.h"

#include "platform/PageText.h"

#include <gumbo.h>

#include <memory>

namespace korvel::pagetext {

namespace {

struct OutputDeleter {
    void operator()(GumboOutput* output) const { gumbo_destroy_output(&kGumboDefaultOptions, output); }
};

bool hidden(GumboTag tag)
{
    return tag == GUMBO_TAG_SCRIPT || tag == GUMBO_TAG_STYLE || tag == GUMBO_TAG_NOSCRIPT ||
           tag == GUMBO_TAG_TEMPLATE || tag == GUMBO_TAG_SELECT;
}

const GumboVector* childrenOf(const GumboNode* node)
{
    if (node->type == GUMBO_NODE_DOCUMENT) {
        return &node->v.document.children;
    }
    if (node->type == GUMBO_NODE_ELEMENT) {
        return &node->v.element.children;
    }
    return nullptr;
}

void cellText(const GumboNode* node, QString& out)
{
    if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE || node->type == GUMBO_NODE_CDATA) {
        out += QString::fromUtf8(node->v.text.text);
        return;
    }
    if (node->type != GUMBO_NODE_ELEMENT || hidden(node->v.element.tag)) {
        return;
    }
    if (node->v.element.tag == GUMBO_TAG_BR) {
        out += QLatin1Char(' ');
        return;
    }
    const GumboVector* children = childrenOf(node);
    for (unsigned i = 0; i < children->length; ++i) {
        cellText(static_cast<const GumboNode*>(children->data[i]), out);
    }
}

void collectRows(const GumboNode* node, QList<QStringList>& rows)
{
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_DOCUMENT) {
        return;
    }
    if (node->type == GUMBO_NODE_ELEMENT) {
        const GumboTag tag = node->v.element.tag;
        if (hidden(tag) || tag == GUMBO_TAG_HEAD) {
            return;
        }
        if (tag == GUMBO_TAG_TR) {
            QStringList cells;
            const GumboVector* children = childrenOf(node);
            for (unsigned i = 0; i < children->length; ++i) {
                const auto* child = static_cast<const GumboNode*>(children->data[i]);
                if (child->type == GUMBO_NODE_ELEMENT &&
                    (child->v.element.tag == GUMBO_TAG_TD || child->v.element.tag == GUMBO_TAG_TH)) {
                    QString text;
                    cellText(child, text);
                    cells << text.simplified();
                }
            }
            if (!cells.isEmpty()) {
                rows << cells;
            }
            // A table inside a row's cell has rows of its own.
        }
    }
    const GumboVector* children = childrenOf(node);
    for (unsigned i = 0; i < children->length; ++i) {
        collectRows(static_cast<const GumboNode*>(children->data[i]), rows);
    }
}

} // namespace

QList<QStringList> tableRows(const QByteArray& html, const QString& contentType)
{
    const QByteArray utf8 = decodeHtml(html, contentType).toUtf8();
    std::unique_ptr<GumboOutput, OutputDeleter> output(
        gumbo_parse_with_options(&kGumboDefaultOptions, utf8.constData(), static_cast<size_t>(utf8.size())));
    QList<QStringList> rows;
    if (output) {
        collectRows(output->document, rows);
    }
    return rows;
}

} // namespace korvel::pagetext
