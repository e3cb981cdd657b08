#pragma once
// Safe filling of texts that carry "%s" / "%d" placeholders. Texts may come from
// language files, so a text is never handed to printf: only the conversions the
// caller supplies are substituted, in order, and everything else is kept as is.
#include <QList>
#include <QString>
#include <initializer_list>
#include <type_traits>

namespace dawnbell {

// One value for a placeholder: a string fills "%s", an integer fills "%d".
class TextArg {
public:
    TextArg(const QString& text) : m_isText(true), m_text(text) {}
    TextArg(const char* utf8) : m_isText(true), m_text(QString::fromUtf8(utf8)) {}
    template <typename T, typename = std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>>>
    TextArg(T number) : m_isText(false), m_number(static_cast<long long>(number))
    {
    }

    bool IsText() const { return m_isText; }
    const QString& Text() const { return m_text; }
    long long Number() const { return m_number; }

private:
    bool m_isText = true;   // true: fills "%s"; false: fills "%d"
    QString m_text;         // the string value
    long long m_number = 0; // the integer value
};

// Fills `pattern` from `args` in order: "%s" takes the next argument when it is a
// string, "%d" when it is an integer, "%%" gives "%". Any other "%" sequence
// (flags, widths, %n, %x, ...), a placeholder whose argument has the other kind,
// and placeholders beyond the last argument are copied literally. Substituted
// values are not scanned again.
QString FormatText(const QString& pattern, std::initializer_list<TextArg> args);
QString FormatText(const QString& pattern, const QList<TextArg>& args);

// FormatText of the program's text number `id` (through the language table).
QString FormatTextId(int id, std::initializer_list<TextArg> args);

} // namespace dawnbell
