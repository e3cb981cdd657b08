#include "XmlDocument.h"

#include <QtTest>

using namespace dawnbell;

namespace {

QString Nested(int depth)
{
    QString doc;
    for (int i = 0; i < depth; ++i)
        doc += QStringLiteral("<e>");
    for (int i = 0; i < depth; ++i)
        doc += QStringLiteral("</e>");
    return doc;
}

// The data of the first child element <e> of the root.
QString DataOfE(const QString& doc)
{
    XmlDocument xml;
    if (!xml.SetDocument(doc) || !xml.FindChildElement(QStringLiteral("e")) || !xml.IntoElement())
        return QStringLiteral("<not found>");
    return xml.Data();
}

} // namespace

class XmlDocumentTest : public QObject {
    Q_OBJECT
private slots:
    void malformed_data()
    {
        QTest::addColumn<QString>("doc");
        QTest::addColumn<QString>("error");

        QTest::newRow("no tag at all") << "just text" << "Element tag not found";
        QTest::newRow("unclosed root") << "<a>text" << "Element tag not found";
        QTest::newRow("lone <") << "<" << "Abrupt end within tag";
        QTest::newRow("child tag cut off") << "<a><  \r\n" << "Abrupt end within tag";
        QTest::newRow("quoted tag name") << "<'a'/>" << "Tag starts with quote";
        QTest::newRow("double-quoted child") << "<a><\"b\"></a>" << "Tag starts with quote";
        QTest::newRow("open processing instruction") << "<?xml version='1.0'<a/>" << "Invalid node";
        QTest::newRow("open comment") << "<!-- comment <a/>" << "Invalid node";
        QTest::newRow("open CDATA") << "<a><![CDATA[x</a>" << "Invalid node";
        QTest::newRow("open declaration") << "<!DOCTYPE a [ <!ENTITY x 'y'> <a/>" << "Invalid node";
        QTest::newRow("start tag without >") << "<a" << "End of tag not found";
        QTest::newRow("child start tag without >") << "<a><b </a" << "End of tag not found";
        QTest::newRow("wrong end tag") << "<a></b>" << "End tag does not correspond to a";
        QTest::newRow("crossed end tags") << "<a><b></a></b>" << "End tag does not correspond to b";
        QTest::newRow("end tag case differs") << "<Stringtable></stringtable>"
                                              << "End tag does not correspond to Stringtable";
        QTest::newRow("end tag without >") << "<a></a" << "End tag not completed for element a";
        QTest::newRow("end tag without name") << "<a></" << "End tag not completed for element a";
        QTest::newRow("percent in name is not a directive") << "<b%n%s></c>" << "End tag does not correspond to b%n%s";
        QTest::newRow("too deep") << Nested(XmlDocument::kMaxDepth + 1) << "Elements nested too deeply";
    }
    void malformed()
    {
        QFETCH(QString, doc);
        QFETCH(QString, error);
        XmlDocument xml;
        QVERIFY(!xml.SetDocument(doc));
        QVERIFY(!xml.IsWellFormed());
        QCOMPARE(xml.ErrorText(), error);
        QVERIFY(!xml.FindChildElement());
        QCOMPARE(xml.TagName(), QString());
    }

    void wellFormed_data()
    {
        QTest::addColumn<QString>("doc");
        QTest::addColumn<QString>("rootName");

        QTest::newRow("empty element") << "<a/>" << "a";
        QTest::newRow("attributes") << "<root lang=\"de\" x='1'></root>" << "root";
        QTest::newRow("prolog, comment, doctype") << "<?xml version=\"1.0\"?>\r\n<!-- c -- c -->\r\n"
                                                     "<!DOCTYPE r [ <!ENTITY e \"]>\"> [x] ]>\r\n<r/>"
                                                  << "r";
        QTest::newRow("comment and PI inside") << "<r><!-- <x> --><?pi <y>?><![CDATA[<z>]]></r>" << "r";
        QTest::newRow("blanks in tags") << "<r\t\n></ r >" << "r";
        QTest::newRow("delimiters end the name") << "<a=b></a>" << "a";
        QTest::newRow("backslash ends the name") << "<x\\y></x>" << "x";
        QTest::newRow("> inside attribute not protected") << "<r a=\">\"></r>" << "r";
        QTest::newRow("trailing junk not examined") << "<r/>junk <<< </" << "r";
        QTest::newRow("deepest allowed") << Nested(XmlDocument::kMaxDepth) << "e";
    }
    void wellFormed()
    {
        QFETCH(QString, doc);
        QFETCH(QString, rootName);
        XmlDocument xml;
        QVERIFY2(xml.SetDocument(doc), qPrintable(xml.ErrorText()));
        QVERIFY(xml.IsWellFormed());
        QCOMPARE(xml.ErrorText(), QString());
        QVERIFY(!xml.IntoElement()); // no current element before the first find
        xml.FindChildElement(QStringLiteral("no such child"));
        QCOMPARE(xml.TagName(), rootName);
    }

    void notWellFormedWithoutError_data()
    {
        QTest::addColumn<QString>("doc");
        QTest::newRow("empty") << QString();
        QTest::newRow("only an end tag") << "</a>";
        QTest::newRow("only a comment") << "<!-- nothing --></x>";
    }
    void notWellFormedWithoutError()
    {
        QFETCH(QString, doc);
        XmlDocument xml;
        QVERIFY(!xml.SetDocument(doc));
        QCOMPARE(xml.ErrorText(), QString());
    }

    void hugeNestingDoesNotCrash()
    {
        XmlDocument xml;
        QVERIFY(!xml.SetDocument(Nested(200000)));
        QCOMPARE(xml.ErrorText(), QStringLiteral("Elements nested too deeply"));
        QVERIFY(!xml.SetDocument(QString(100000, QLatin1Char('<')) + QStringLiteral("a>")));
    }

    void data_data()
    {
        QTest::addColumn<QString>("doc");
        QTest::addColumn<QString>("data");

        QTest::newRow("plain") << "<r><e>Hello</e></r>" << "Hello";
        QTest::newRow("five entities") << "<r><e>&lt;&amp;&gt;&apos;&quot;</e></r>" << "<&>'\"";
        QTest::newRow("one pass") << "<r><e>&amp;lt;</e></r>" << "&lt;";
        QTest::newRow("numeric references pass") << "<r><e>&#65;&#x42;</e></r>" << "&#65;&#x42;";
        QTest::newRow("unknown and bare &") << "<r><e>&nbsp; & &amp</e></r>" << "&nbsp; & &amp";
        QTest::newRow("entities are case-sensitive") << "<r><e>&LT;</e></r>" << "&LT;";
        QTest::newRow("whitespace kept") << "<r><e>  a\r\n\tb  </e></r>" << "  a\r\n\tb  ";
        QTest::newRow("> in text") << "<r><e>a > b</e></r>" << "a > b";
        QTest::newRow("CDATA raw") << "<r><e><![CDATA[a<b>&amp;]]></e></r>" << "a<b>&amp;";
        QTest::newRow("CDATA after whitespace") << "<r><e> \r\n <![CDATA[xyz]]></e></r>" << "xyz";
        QTest::newRow("empty CDATA") << "<r><e><![CDATA[]]></e></r>" << "";
        QTest::newRow("text after CDATA dropped") << "<r><e><![CDATA[ab]]>tail</e></r>" << "ab";
        QTest::newRow("CDATA not first") << "<r><e>x<![CDATA[&amp;]]></e></r>" << "x<![CDATA[&]]>";
        QTest::newRow("comment kept in data") << "<r><e>a<!--c-->b</e></r>" << "a<!--c-->b";
        QTest::newRow("child elements give empty") << "<r><e>x<c>y</c>z</e></r>" << "";
        QTest::newRow("empty element") << "<r><e/></r>" << "";
        QTest::newRow("empty content") << "<r><e></e></r>" << "";
        QTest::newRow("attribute > leaks into data") << "<r><e a=\">\">t</e></r>" << "\">t";
    }
    void data()
    {
        QFETCH(QString, doc);
        QFETCH(QString, data);
        QCOMPARE(DataOfE(doc), data);
    }

    void navigation()
    {
        XmlDocument xml;
        QVERIFY(xml.SetDocument(QStringLiteral(
            "<root><a>1</a><b>2</b><a>3</a><A>4</A><c><d>5</d></c></root>")));
        QVERIFY(!xml.OutOfElement()); // the document has no parent
        QCOMPARE(xml.Data(), QString());

        // Named search continues after the current child and is case-sensitive.
        QVERIFY(xml.FindChildElement(QStringLiteral("a")));
        QVERIFY(xml.IntoElement());
        QCOMPARE(xml.Data(), QStringLiteral("1"));
        QVERIFY(xml.OutOfElement());
        QCOMPARE(xml.TagName(), QStringLiteral("root"));
        QVERIFY(xml.FindChildElement(QStringLiteral("a")));
        QVERIFY(xml.IntoElement());
        QCOMPARE(xml.Data(), QStringLiteral("3"));
        QVERIFY(xml.OutOfElement());
        QVERIFY(!xml.FindChildElement(QStringLiteral("a")));

        // Any name: the remaining children in document order.
        QVERIFY(xml.FindChildElement());
        QVERIFY(xml.IntoElement());
        QCOMPARE(xml.TagName(), QStringLiteral("A"));
        QVERIFY(xml.OutOfElement());
        QVERIFY(xml.FindChildElement());
        QVERIFY(xml.IntoElement());
        QCOMPARE(xml.TagName(), QStringLiteral("c"));
        QCOMPARE(xml.Data(), QString()); // has a child element
        QVERIFY(xml.FindChildElement(QStringLiteral("d")));
        QVERIFY(xml.IntoElement());
        QCOMPARE(xml.Data(), QStringLiteral("5"));
        QVERIFY(!xml.FindChildElement()); // d has no children
        QVERIFY(xml.OutOfElement());
        QVERIFY(xml.OutOfElement());
        QCOMPARE(xml.TagName(), QStringLiteral("root"));
        QVERIFY(!xml.FindChildElement());
        QVERIFY(!xml.OutOfElement()); // root's parent is the document

        // Into without a current child leaves no current element.
        QVERIFY(xml.SetDocument(QStringLiteral("<root><a/></root>")));
        QVERIFY(xml.FindChildElement(QStringLiteral("zzz")) == false);
        QVERIFY(xml.IntoElement());
        QCOMPARE(xml.TagName(), QString());
        QVERIFY(!xml.IntoElement());
        QVERIFY(xml.OutOfElement());
        QCOMPARE(xml.TagName(), QStringLiteral("root"));

        // A new document resets the cursor.
        QVERIFY(xml.SetDocument(QStringLiteral("<other><x/></other>")));
        QCOMPARE(xml.TagName(), QString());
        QVERIFY(xml.FindChildElement(QStringLiteral("x")));
    }

    void elementTableGrows()
    {
        QString doc = QStringLiteral("<r>");
        for (int i = 0; i < 5000; ++i)
            doc += QStringLiteral("<s%1>t</s%1>").arg(i);
        doc += QStringLiteral("</r>");
        XmlDocument xml;
        QVERIFY(xml.SetDocument(doc));
        QCOMPARE(xml.ElementCount(), 5002);
        int count = 0;
        while (xml.FindChildElement())
            ++count;
        QCOMPARE(count, 5000);
    }
};

QTEST_GUILESS_MAIN(XmlDocumentTest)
#include "XmlDocumentTest.moc"
