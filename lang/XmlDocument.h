#pragma once
// A small non-validating XML reader: the whole document is kept as one UTF-16
// string plus a table of element positions, and a cursor walks the tree.
// It reads exactly what the language files need: elements, their tag names and
// their character data (five named entities or one CDATA section). Attributes,
// processing instructions, comments and document type declarations are skipped.
#include <QString>
#include <vector>

namespace dawnbell {

class XmlDocument {
public:
    // Documents nested deeper than this are refused with a parse error, so a
    // hostile file cannot exhaust the stack of the recursive parse.
    static constexpr int kMaxDepth = 256;

    XmlDocument();

    // Parses `text` as the document and resets the cursor to the document.
    // True when it is well formed (an error text is kept otherwise).
    bool SetDocument(const QString& text);
    // True when the element table is not empty and the document has a root element.
    bool IsWellFormed() const;
    // The last parse error ("" after a successful parse).
    QString ErrorText() const { return m_error; }

    // Makes the root element current when there is no current element, then finds
    // among the current element's children, after the current child (or from the
    // first child), the first element whose tag name equals `name` exactly (a null
    // name matches any element). On success that element becomes the current child.
    bool FindChildElement(const QString& name = QString());
    // Steps down: the current element becomes the parent, the current child becomes
    // current, and there is no child. False when there is no current element.
    bool IntoElement();
    // Steps up: the current element becomes the child, the parent becomes current
    // and its parent the parent. False when there is no parent.
    bool OutOfElement();

    // Tag name of the current element ("" when there is none).
    QString TagName() const;
    // Character data of the current element ("" when there is none, when it is
    // empty or has child elements): one CDATA section raw, otherwise the content
    // with &lt; &amp; &gt; &apos; &quot; decoded in one pass.
    QString Data() const;

    // Number of entries in the element table (the document itself is entry 0).
    int ElementCount() const { return static_cast<int>(m_elements.size()); }

private:
    // One entry of the element table; positions are indexes into m_doc.
    struct Element {
        int startLt = 0;     // "<" of the start tag
        int startGt = 0;     // ">" of the start tag
        int endLt = 0;       // "<" of the end tag ("/" of an empty element)
        int endGt = 0;       // ">" of the end tag (the start tag's ">" when empty)
        int parent = 0;      // parent entry
        int firstChild = 0;  // first child entry, 0 = none
        int nextSibling = 0; // next sibling entry, 0 = none
    };
    // A token found by the scanner: [start, end) in m_doc; quoted when it is a string.
    struct Token {
        int start = 0;
        int end = 0;
        bool quoted = false;
        bool Found() const { return end > start; }
    };
    enum class NodeType { None, Element };
    // Outcome of parsing one element.
    enum class ParseResult { Element, NoElement, Error };

    Token NextToken(int* pos) const;
    bool TokenIs(const Token& t, QChar c) const;
    int Find(QChar c, int from) const;
    int Find(const QString& s, int from) const;
    bool SkipNode(int lt, int* pos);
    ParseResult ParseElement(int parent, int* pos, int depth, int* created);
    // Stores the error text (a pattern's %s filled with the element name).
    ParseResult Fail(const QString& text);
    ParseResult Fail(const char* pattern, const QString& name);
    QString ElementName(int entry) const;
    QString DecodeEntities(int from, int to) const;

    QString m_doc;                  // the whole document
    std::vector<Element> m_elements; // the element table; entry 0 is the document
    QString m_error;                 // last parse error
    int m_parent = 0;                // cursor: parent entry
    int m_current = 0;               // cursor: current entry, 0 = none
    int m_child = 0;                 // cursor: current child entry, 0 = none
    NodeType m_nodeType = NodeType::None; // type of the current node
};

} // namespace dawnbell
