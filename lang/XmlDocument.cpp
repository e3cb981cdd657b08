#include "XmlDocument.h"

#include "TextFormat.h"

namespace dawnbell {

namespace {

bool IsBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

// Characters that end a name token and form a token of their own.
bool IsDelimiter(QChar c)
{
    switch (c.unicode()) {
    case '<':
    case '>':
    case '=':
    case '\\':
    case '/':
    case '?':
    case '!':
        return true;
    default:
        return false;
    }
}

} // namespace

XmlDocument::XmlDocument()
{
    m_elements.emplace_back();
}

XmlDocument::Token XmlDocument::NextToken(int* pos) const
{
    const int len = static_cast<int>(m_doc.size());
    int p = *pos;
    while (p < len && IsBlank(m_doc.at(p)))
        ++p;
    Token t;
    t.start = p;
    t.end = p;
    if (p >= len) {
        *pos = p;
        return t;
    }
    const QChar c = m_doc.at(p);
    if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
        // A string runs to the same quote, or to the end of the text.
        t.quoted = true;
        const int close = static_cast<int>(m_doc.indexOf(c, p + 1));
        t.end = close < 0 ? len : close + 1;
    } else if (IsDelimiter(c)) {
        t.end = p + 1;
    } else {
        int e = p;
        while (e < len && !IsBlank(m_doc.at(e)) && !IsDelimiter(m_doc.at(e)))
            ++e;
        t.end = e;
    }
    *pos = t.end;
    return t;
}

bool XmlDocument::TokenIs(const Token& t, QChar c) const
{
    return !t.quoted && t.end - t.start == 1 && m_doc.at(t.start) == c;
}

int XmlDocument::Find(QChar c, int from) const
{
    return static_cast<int>(m_doc.indexOf(c, from));
}

int XmlDocument::Find(const QString& s, int from) const
{
    if (from > m_doc.size())
        return -1;
    return static_cast<int>(m_doc.indexOf(s, from));
}

XmlDocument::ParseResult XmlDocument::Fail(const QString& text)
{
    m_error = text;
    return ParseResult::Error;
}

XmlDocument::ParseResult XmlDocument::Fail(const char* pattern, const QString& name)
{
    return Fail(FormatText(QString::fromLatin1(pattern), {name}));
}

// Skips a processing instruction, CDATA section, comment or declaration whose
// "?" or "!" token starts at `mark`. On success *pos is just after the node.
bool XmlDocument::SkipNode(int mark, int* pos)
{
    const int len = static_cast<int>(m_doc.size());
    if (m_doc.at(mark) == QLatin1Char('?')) {
        const int end = Find(QStringLiteral("?>"), mark + 1);
        if (end < 0)
            return false;
        *pos = end + 2;
        return true;
    }
    const QChar next = mark + 1 < len ? m_doc.at(mark + 1) : QChar();
    if (next == QLatin1Char('[')) {
        const int end = Find(QStringLiteral("]]>"), mark + 2);
        if (end < 0)
            return false;
        *pos = end + 3;
        return true;
    }
    if (next == QLatin1Char('-')) {
        const int end = Find(QStringLiteral("-->"), mark + 2);
        if (end < 0)
            return false;
        *pos = end + 3;
        return true;
    }
    // A declaration: tokens up to a ">" outside (nested) square brackets.
    int p = mark + 1;
    int brackets = 0;
    for (;;) {
        const Token t = NextToken(&p);
        if (!t.Found())
            return false;
        if (t.quoted)
            continue;
        if (brackets == 0 && TokenIs(t, QLatin1Char('>'))) {
            *pos = t.end;
            return true;
        }
        for (int i = t.start; i < t.end; ++i) {
            if (m_doc.at(i) == QLatin1Char('['))
                ++brackets;
            else if (m_doc.at(i) == QLatin1Char(']') && brackets > 0)
                --brackets;
        }
    }
}

// Parses the next element under `parent` from *pos. `depth` is the depth the
// element would have (the root is 1). On Element, *created is its entry and
// *pos is just after its end; on NoElement (the parent's end tag) *pos is the
// "<" of that end tag.
XmlDocument::ParseResult XmlDocument::ParseElement(int parent, int* pos, int depth, int* created)
{
    for (;;) {
        const int lt = Find(QLatin1Char('<'), *pos);
        if (lt < 0)
            return Fail(QStringLiteral("Element tag not found"));
        int p = lt + 1;
        const Token name = NextToken(&p);
        if (!name.Found())
            return Fail(QStringLiteral("Abrupt end within tag"));
        if (name.quoted)
            return Fail(QStringLiteral("Tag starts with quote"));
        const QChar first = m_doc.at(name.start);
        if (first == QLatin1Char('?') || first == QLatin1Char('!')) {
            if (!SkipNode(name.start, pos))
                return Fail(QStringLiteral("Invalid node"));
            continue;
        }
        if (first == QLatin1Char('/')) {
            *pos = lt;
            return ParseResult::NoElement;
        }
        if (depth > kMaxDepth)
            return Fail(QStringLiteral("Elements nested too deeply"));

        const int gt = Find(QLatin1Char('>'), name.start);
        if (gt < 0)
            return Fail(QStringLiteral("End of tag not found"));

        const int self = static_cast<int>(m_elements.size());
        Element e;
        e.startLt = lt;
        e.startGt = gt;
        e.parent = parent;
        m_elements.push_back(e);
        *created = self;

        if (gt > lt + 1 && m_doc.at(gt - 1) == QLatin1Char('/')) {
            m_elements[self].endLt = gt - 1;
            m_elements[self].endGt = gt;
            *pos = gt + 1;
            return ParseResult::Element;
        }

        int childPos = gt + 1;
        int previous = 0;
        for (;;) {
            int child = 0;
            const ParseResult r = ParseElement(self, &childPos, depth + 1, &child);
            if (r == ParseResult::Error)
                return r;
            if (r == ParseResult::NoElement)
                break;
            if (previous == 0)
                m_elements[self].firstChild = child;
            else
                m_elements[previous].nextSibling = child;
            previous = child;
        }

        const QString elementName = m_doc.mid(name.start, name.end - name.start);
        const int endLt = Find(QLatin1Char('<'), childPos);
        if (endLt < 0)
            return Fail("End tag of %s element not found", elementName);
        p = endLt + 1;
        const Token slash = NextToken(&p);
        if (slash.Found() && !TokenIs(slash, QLatin1Char('/')))
            return Fail("Expecting end tag of element %s", elementName);
        const Token endName = NextToken(&p);
        if (!slash.Found() || !endName.Found())
            return Fail("End tag not completed for element %s", elementName);
        if (endName.quoted || m_doc.mid(endName.start, endName.end - endName.start) != elementName)
            return Fail("End tag does not correspond to %s", elementName);
        for (;;) {
            const Token t = NextToken(&p);
            if (!t.Found())
                return Fail("End tag not completed for element %s", elementName);
            if (TokenIs(t, QLatin1Char('>'))) {
                m_elements[self].endLt = endLt;
                m_elements[self].endGt = t.start;
                *pos = t.end;
                return ParseResult::Element;
            }
        }
    }
}

bool XmlDocument::SetDocument(const QString& text)
{
    m_doc = text;
    m_error.clear();
    m_elements.clear();
    m_elements.reserve(static_cast<size_t>(m_doc.size()) / 64 + 8);
    m_elements.emplace_back();
    m_elements[0].endLt = static_cast<int>(m_doc.size());
    m_elements[0].endGt = static_cast<int>(m_doc.size());
    m_parent = 0;
    m_current = 0;
    m_child = 0;
    m_nodeType = NodeType::None;

    if (!m_doc.isEmpty()) {
        int pos = 0;
        int root = 0;
        if (ParseElement(0, &pos, 1, &root) == ParseResult::Element)
            m_elements[0].firstChild = root;
        else
            m_elements.resize(1);
    }
    return IsWellFormed();
}

bool XmlDocument::IsWellFormed() const
{
    return !m_elements.empty() && m_elements[0].firstChild != 0;
}

bool XmlDocument::FindChildElement(const QString& name)
{
    if (m_current == 0) {
        if (!IsWellFormed())
            return false;
        m_parent = 0;
        m_current = m_elements[0].firstChild;
        m_child = 0;
        m_nodeType = NodeType::Element;
    }
    int candidate = m_child ? m_elements[m_child].nextSibling : m_elements[m_current].firstChild;
    for (; candidate != 0; candidate = m_elements[candidate].nextSibling) {
        if (name.isNull() || ElementName(candidate) == name) {
            m_child = candidate;
            return true;
        }
    }
    return false;
}

bool XmlDocument::IntoElement()
{
    if (m_current == 0 || m_nodeType != NodeType::Element)
        return false;
    m_parent = m_current;
    m_current = m_child;
    m_child = 0;
    m_nodeType = m_current ? NodeType::Element : NodeType::None;
    return true;
}

bool XmlDocument::OutOfElement()
{
    if (m_parent == 0)
        return false;
    m_child = m_current;
    m_current = m_parent;
    m_parent = m_elements[m_current].parent;
    m_nodeType = NodeType::Element;
    return true;
}

QString XmlDocument::ElementName(int entry) const
{
    int p = m_elements[entry].startLt + 1;
    const Token t = NextToken(&p);
    return m_doc.mid(t.start, t.end - t.start);
}

QString XmlDocument::TagName() const
{
    if (m_current == 0)
        return QString();
    return ElementName(m_current);
}

QString XmlDocument::Data() const
{
    if (m_current == 0 || m_nodeType != NodeType::Element)
        return QString();
    const Element& e = m_elements[m_current];
    if (e.firstChild != 0 || e.endGt == e.startGt)
        return QString();
    const int from = e.startGt + 1;
    const int to = e.endLt;
    int s = from;
    while (s < to && IsBlank(m_doc.at(s)))
        ++s;
    static const QString kCdataOpen = QStringLiteral("<![CDATA[");
    if (to - s > 11 && QStringView(m_doc).mid(s, kCdataOpen.size()) == kCdataOpen) {
        const int begin = s + static_cast<int>(kCdataOpen.size());
        const int end = Find(QStringLiteral("]]>"), begin);
        if (end >= 0 && end < to)
            return m_doc.mid(begin, end - begin);
    }
    return DecodeEntities(from, to);
}

QString XmlDocument::DecodeEntities(int from, int to) const
{
    static const struct {
        const char16_t* name; // the entity without "&"
        char16_t value;
    } kEntities[] = {
        {u"lt;", u'<'}, {u"amp;", u'&'}, {u"gt;", u'>'}, {u"apos;", u'\''}, {u"quot;", u'"'},
    };
    QString out;
    out.reserve(to - from);
    const QStringView doc(m_doc);
    for (int i = from; i < to; ++i) {
        const QChar c = m_doc.at(i);
        if (c == QLatin1Char('&')) {
            bool decoded = false;
            for (const auto& entity : kEntities) {
                const QStringView name(entity.name);
                if (i + 1 + name.size() <= to && doc.mid(i + 1, name.size()) == name) {
                    out += QChar(entity.value);
                    i += static_cast<int>(name.size());
                    decoded = true;
                    break;
                }
            }
            if (decoded)
                continue;
        }
        out += c;
    }
    return out;
}

} // namespace dawnbell
