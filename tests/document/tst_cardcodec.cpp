#include "document/carddesign.h"
#include "document/cardencoding.h"
#include "document/cardfields.h"
#include "document/cardfile.h"
#include "document/cardmerge.h"
#include "document/csvtable.h"
#include "document/placeholders.h"
#include "document/reservedtexts.h"
#include "document/vcard.h"
#include "testfiles.h"

#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <QLocale>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#endif

using namespace cardfile;

namespace {

constexpr qint64 No = std::numeric_limits<qint64>::min();
constexpr double NoValue = -1e300;

QByteArray lines(std::initializer_list<const char*> fields, int fillers = 0)
{
    QByteArray bytes;
    for (const char* field : fields)
        bytes += QByteArray(field) + "\r\n";
    for (int i = 0; i < fillers; ++i)
        bytes += "\"none\"\r\n";
    return bytes;
}

std::vector<RawRecord> readAll(QByteArrayView bytes)
{
    std::vector<RawRecord> records;
    CardReader reader(bytes);
    while (auto record = reader.next())
        records.push_back(*record);
    return records;
}

int shortestDigits(float value)
{
    char buffer[64];
    const char* end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific).ptr;
    const char* begin = buffer;
    return int(std::count_if(begin, std::find(begin, end, 'e'), ::isdigit));
}

// Writes a record back from what the reader made of it, as the editor will.
void rewrite(CardWriter& writer, const RawRecord& record)
{
    switch (record.kind()) {
    case RecordKind::Card: {
        const CardFields f = cardFields(record);
        writer.writeCard({*f.width, *f.height, *f.backColor});
        break;
    }
    case RecordKind::Label: {
        const LabelFields f = labelFields(record);
        writer.writeLabel({*f.caption, *f.width, *f.height, *f.left, *f.top, *f.backColor,
                           *f.frwColor, *f.backStyle, *f.fontName, *f.fontSize, *f.bold,
                           *f.underline, *f.italic, *f.alignment, *f.reserved, *f.tag, *f.toolTip});
        break;
    }
    case RecordKind::Shape: {
        const ShapeFields f = shapeFields(record);
        writer.writeShape({*f.width, *f.height, *f.left, *f.top, *f.backColor, *f.shape});
        break;
    }
    case RecordKind::QrCode: {
        const QrCodeFields f = qrCodeFields(record);
        writer.writeQrCode({*f.width, *f.height, *f.left, *f.top, *f.content, *f.darkColor,
                            *f.lightColor, *f.level});
        break;
    }
    default: QFAIL("unexpected record");
    }
}

// A read table as one comparable text: the columns, then each row with the line it starts on;
// large tables by their row count.
QString tableText(const csv::CsvRead& read)
{
    if (read.error)
        return QString("error %1: %2").arg(read.error->line).arg(read.error->fault);
    QString text = read.table.columns.join('|');
    if (read.table.rows.size() > 5)
        return text + QString("\n%1 rows").arg(read.table.rows.size());
    for (qsizetype i = 0; i < read.table.rows.size(); ++i)
        text += QString("\n%1:").arg(read.table.rowLines[i]) + read.table.rows[i].join('|');
    return text;
}

long peakResidentKiB()
{
#ifdef Q_OS_LINUX
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
#else
    return 0;
#endif
}

} // namespace

class TestCardCodec : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // A decimal comma anywhere in the output would show up under this locale.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }

    // Cards with QR codes among the other elements come back byte for byte, and their fields
    // hold the text before encoding.
    void qrCodeRecordsRoundTrip()
    {
        QFile file(QUILLMARK_TEST_DATA "/qrcodes.qmark");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const auto records = readAll(bytes);
        QCOMPARE(records.size(), size_t(6));
        CardWriter writer;
        for (const RawRecord& record : records)
            rewrite(writer, record);
        QCOMPARE(writer.bytes(), bytes);

        QCOMPARE(records[1].kind(), RecordKind::QrCode);
        QCOMPARE(*qrCodeFields(records[1]).content,
                 QStringLiteral("https://example.com/a?b=50%&q=\"x\""));
        const QrCodeFields contact = qrCodeFields(records[3]);
        QVERIFY(contact.content->startsWith("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Müller;Zoë;;;\r\n"));
        QCOMPARE(*contact.lightColor, TransparentColor);
        QCOMPARE(*contact.level, QrLevel::H);
        QCOMPARE(*qrCodeFields(records[5]).level, QrLevel::L);
        QCOMPARE(*qrCodeFields(records[5]).content, QStringLiteral("Zürich – ${city} ✓"));
    }

    void qrCodeContentEncoding()
    {
        CardWriter writer;
        writer.writeQrCode({1, 2, 3, 4, QString::fromUtf8("a\"b%c,\r\n\té~ "), 5, 6, QrLevel::Q});
        const auto record = readAll(writer.bytes()).at(0);
        QCOMPARE(record.line(6)->toByteArray(), QByteArray("\"a%22b%25c,%0D%0A%09%C3%A9~ \""));
        QCOMPARE(record.line(9)->toByteArray(), QByteArray("\"Q\""));
        QCOMPARE(record.line(18)->toByteArray(), QByteArray("\"qr\""));

        // Hand-edited content: stray percent signs stay, raw bytes are taken as they are, and
        // a level is read in either case but must be one of the four.
        const QByteArray edited =
            lines({"\"QRCode\"", "1", "2", "3", "4", "\"%41%zz%4 café 100%\"", "0", "-1", "\"h\""},
                  8)
            + "\"qr\"\r\n" + lines({"\"QRCode\"", "1", "2", "3", "4", "\"\"", "0", "0", "\"X\""}, 8)
            + "\"QR\"\r\n";
        const auto records = readAll(edited);
        QCOMPARE(*qrCodeFields(records[0]).content, QStringLiteral("A%zz%4 café 100%"));
        QCOMPARE(*qrCodeFields(records[0]).level, QrLevel::H);
        QVERIFY(!qrCodeFields(records[1]).level);
        QCOMPARE(records[1].kind(), RecordKind::Other); // line 18 is not the QR marker
    }

    void csvReading_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("table");
        // Data that is no merge data: bounded, and refused with the line at fault.
        const QByteArray commas(csv::MaxColumns - 1, ',');
        const QString bars(csv::MaxColumns - 1, '|');
        QTest::newRow("1,000 fields")
            << "A" + commas + "\nx" + commas << "A" + bars + "\n2:x" + bars;
        QTest::newRow("1,001 fields") << "A\nx" + commas + ","
                                      << "error 2: this row has more than 1,000 fields";
        QTest::newRow("header of separators")
            << QByteArray(4 << 20, ';') << "error 1: this row has more than 1,000 fields";
        QTest::newRow("1 MB field") << "A\n" + QByteArray(csv::MaxFieldChars, 'x')
                                    << "A\n2:" + QString(csv::MaxFieldChars, 'x');
        QTest::newRow("field past 1 MB") << "A\nx\n" + QByteArray(csv::MaxFieldChars + 1, 'x')
                                         << "error 3: a field is longer than 1 MB";
        QTest::newRow("quoted field past 1 MB")
            << "A\n\"" + QByteArray(csv::MaxFieldChars, 'x') + "\n\""
            << "error 2: a field is longer than 1 MB";
        QTest::newRow("runs of separators in the header")
            << QByteArray("Name,,,,,,,;Phone\nAnn,,,,,,,;1\n")
            << "Name,,,,,,,|Phone\n2:Ann,,,,,,,|1";
        QTest::newRow("UTF-16, big-endian BOM")
            << QByteArray("\xFE\xFF\0A\0,\0B", 8)
            << "error 0: the file is UTF-16 text; save it as UTF-8";
        QTest::newRow("CRLF") << QByteArray("Name,Phone\r\nAnn,1\r\nBob,2\r\n")
                              << "Name|Phone\n2:Ann|1\n3:Bob|2";
        QTest::newRow("quoted") << QByteArray(
            "Name,Note\n\"Smith, Ann\",\"say \"\"hi\"\"\r\nbye\"  "
            "\nBob,x\"y") << "Name|Note\n2:Smith, Ann|say \"hi\"\nbye\n4:Bob|x\"y";
        QTest::newRow("BOM, semicolon")
            << QByteArray("\xEF\xBB\xBFName;City\r\nZoë;Köln, Süd") << "Name|City\n2:Zoë|Köln, Süd";
        QTest::newRow("tab") << QByteArray("Name\tCity, State\nAnn\tX, Y\n")
                             << "Name|City, State\n2:Ann|X, Y";
        QTest::newRow("quoted header") << QByteArray("\"Last, First\" , Phone \n\"A, B\",1\n")
                                       << "Last, First|Phone\n2:A, B|1";
        // Separators inside quotes do not count towards choosing one.
        QTest::newRow("quoted header, other separators inside")
            << QByteArray("\"Last; First; Middle\",Phone\n\"A; B; C\",1\n")
            << "Last; First; Middle|Phone\n2:A; B; C|1";
        // A tab is the separator there, not a blank to forgive after a closing quote.
        QTest::newRow("tab after a closing quote")
            << QByteArray("Name\tCity\n\"Ann\"\tParis\n\"Bob\" \tRome\n")
            << "Name|City\n2:Ann|Paris\n3:Bob|Rome";
        QTest::newRow("empty rows")
            << QByteArray("\n\nA,B\n\n,\n\"\",\n \t, \n1,2\n\n") << "A|B\n8:1|2";
        QTest::newRow("lone CR") << QByteArray("A,B\r1,2\r3") << "A|B\n2:1|2\n3:3|";
        QTest::newRow("short row") << QByteArray("A,B,C\n1\n") << "A|B|C\n2:1||";
        QTest::newRow("long row")
            << QByteArray("A,B\n1,2\n1,2,3\n")
            << "error 3: this row has 3 fields, but the header names 2 columns";
        QTest::newRow("unterminated") << QByteArray("A,B\n1,2\n1,\"open\n2,3\n")
                                      << "error 3: the quote opened here is never closed";
        QTest::newRow("after quote")
            << QByteArray("A\n\"x\"y\n")
            << "error 2: text follows a closing quote; a quote inside a quoted field is written "
               "twice";
        QTest::newRow("Latin-1") << QByteArray("A,B\r1,2\r\ncaf\xE9,3\n")
                                 << "error 3: the file is not UTF-8 text";
        QTest::newRow("UTF-16") << QByteArray("\xFF\xFE"
                                              "A\0,\0B\0",
                                              8)
                                << "error 0: the file is UTF-16 text; save it as UTF-8";
        QTest::newRow("UTF-16 without BOM")
            << QByteArray("A\0,\0B\0", 6) << "error 0: the file is UTF-16 text; save it as UTF-8";
        QTest::newRow("one NUL") << QByteArray("Name,Phone\nAnn,1\0\n", 19)
                                 << "error 2: the file is not UTF-8 text";
        QTest::newRow("overlong") << QByteArray("A\n\xC0\xAF\n")
                                  << "error 2: the file is not UTF-8 text";
        QTest::newRow("surrogate")
            << QByteArray("A\n\xED\xA0\x80\n") << "error 2: the file is not UTF-8 text";
        QTest::newRow("twice") << QByteArray("A,B,A\n")
                               << "error 1: the column name \"A\" is given twice";
        QTest::newRow("empty") << QByteArray("\r\n,,\r\n")
                               << "error 0: there is no header row naming the columns";
        QByteArray full("A\n");
        for (int i = 0; i < csv::MaxRows; ++i)
            full += "x\n";
        QTest::newRow("row limit") << full << "A\n100000 rows";
        QTest::newRow("past the row limit") << full + "\n\ny"
                                            << "error 100004: more than 100000 rows";
    }

    void csvReading()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, table);
        QCOMPARE(tableText(csv::parseCsv(bytes)), table);
    }

    void csvFiles()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath("people.csv"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Name\n\"Ann\n");
        file.close();
        const csv::CsvRead read = csv::readCsvFile(file.fileName());
        QCOMPARE(csv::csvErrorMessage(file.fileName(), *read.error),
                 QStringLiteral("people.csv, line 2: the quote opened here is never closed"));
        QVERIFY(csv::readCsvFile(dir.path()).error); // a folder
        QVERIFY(!csv::readCsvFile("/dev/zero").ok());
    }

    // A contact card with every character vCard escapes, letters beyond ASCII and an address
    // long enough to fold.
    void vCardWriting()
    {
        const vcard::VCardFields fields{
            QStringLiteral("Zoë Müller-Łukasiewicz"),
            QStringLiteral("Smith, Jones; Partners"),
            QStringLiteral("Head of R&D\\Ops"),
            QStringLiteral("+49 30 123456"),
            QStringLiteral("+49 170 1234567"),
            QStringLiteral("zoe@example.com"),
            QStringLiteral("https://example.com/zoë"),
            QStringLiteral("Königstraße 12a, Hinterhaus; 3. Stock\nc/o Ünal Çelik, Postfach "
                           "1234567, 10117 Berlin-Mitte, Deutschland, Europäische Union, Erde, "
                           "Sonnensystem, Milchstraße")};
        const QByteArray card = vcard::writeVCard(fields);
        QVERIFY(card.endsWith("END:VCARD\r\n"));
        QCOMPARE(card.count('\n'), card.count("\r\n"));
        int folded = 0;
        for (const QByteArray& line : card.split('\n')) {
            QVERIFY2(line.size() <= 76, line.constData()); // 75 and the CR
            QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
            utf8.decode(line);
            QVERIFY2(!utf8.hasError(), line.constData()); // no character cut in two
            folded += line.startsWith(' ');
        }
        QVERIFY(folded >= 2);
        const QByteArray unfolded = QByteArray(card).replace("\r\n ", "");
        for (const char* expected :
             {"\r\nN:Müller-Łukasiewicz;Zoë;;;\r\n", "\r\nORG:Smith\\, Jones\\; Partners\r\n",
              "\r\nTITLE:Head of R&D\\\\Ops\r\n", "\r\nTEL;TYPE=CELL:+49 170 1234567\r\n",
              "\r\nADR;TYPE=WORK:;;Königstraße 12a\\, Hinterhaus\\; 3. Stock\\nc/o Ünal"})
            QVERIFY2(unfolded.contains(expected), expected);
        QCOMPARE(vcard::parseVCard(card), std::optional(fields));
        QCOMPARE(vcard::parseVCard(QByteArray(card).replace("\r\n", "\n")), std::optional(fields));
        QVERIFY(!vcard::parseVCard("FN:no card around it\r\n"));

        // A two-octet letter that would straddle octet 75 moves to the next line whole.
        vcard::VCardFields longName;
        longName.fullName = QString(71, 'a') + QStringLiteral("é") + QString(70, 'b');
        const QByteArray named = vcard::writeVCard(longName);
        const qsizetype at = named.indexOf("FN:");
        QCOMPARE(named.mid(at, named.indexOf("\r\n", at) - at), "FN:" + QByteArray(71, 'a'));
        QCOMPARE(vcard::parseVCard(named)->fullName, longName.fullName);
    }

    void placeholderFilling_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("filled"); // or "unknown NAME"
        QTest::newRow("one") << "Hello ${Name}!"
                             << "Hello Ann!";
        QTest::newRow("adjacent") << "${Name}${City}"
                                  << "AnnKöln";
        QTest::newRow("literal") << "$${Name} costs $5 {x} $"
                                 << "${Name} costs $5 {x} $";
        QTest::newRow("unclosed") << "${Name"
                                  << "${Name";
        QTest::newRow("value not expanded") << "${Note}"
                                            << "${Name}";
        QTest::newRow("spaces in name") << "${First name}"
                                        << "Zoë";
        QTest::newRow("unknown") << "${Name} ${Town} ${Zip}"
                                 << "unknown Town";
        QTest::newRow("case") << "${name}"
                              << "unknown name";
        QTest::newRow("empty name") << "${}"
                                    << "unknown ";
    }

    void placeholderFilling()
    {
        QFETCH(QString, text);
        QFETCH(QString, filled);
        const QStringList columns = {"Name", "City", "Note", "First name"};
        const QStringList row = {"Ann", "Köln", "${Name}", "Zoë"};
        QString unknown;
        const auto result = placeholders::fill(text, columns, row, &unknown);
        QCOMPARE(result ? *result : "unknown " + unknown, filled);
        const auto firstUnknown = placeholders::unknownPlaceholder({"plain", text}, columns);
        QCOMPARE(firstUnknown.has_value(), !result.has_value());
        QCOMPARE(placeholders::placeholderNames("${B} ${A} $${C} ${B}"), QStringList({"B", "A"}));
    }

    // A row fills the printed captions and QR contents; a contact card is filled field by
    // field, so a placeholder cut by a fold still counts and values are escaped. The data is
    // refused, with the file and line, when the card asks for a column it lacks.
    void mergeFillsTheCard()
    {
        CardDesign design;
        CardItem* text = design.addCopy(ElementKind::Text, 1);
        text->text.caption = "${Name}, ${Title}";
        design.item(ElementKind::Text, 0)->text.caption = "${Hidden}"; // never printed
        vcard::VCardFields contact;
        contact.fullName = "${Name}";
        contact.streetAddress = QString(53, 'x') + " ${Street}";
        design.addCopy(ElementKind::QrCode, 1)->qr.content =
            QString::fromUtf8(vcard::writeVCard(contact));
        QVERIFY(!design.item(ElementKind::QrCode, 1)->qr.content.contains("${Street}"));
        design.addCopy(ElementKind::QrCode, 2)->qr.content = "https://x.example/${Name}";

        const csv::CsvRead read =
            csv::parseCsv("Name,Title,Street\nAnn Lee,Boss,\"Main St 1, Köln; DE\"\n");
        QString message;
        const auto data = cardmerge::check("/tmp/people.csv", read, design, &message);
        QVERIFY2(data, qPrintable(message));
        const CardDesign merged = cardmerge::fillRow(design, data->table, 0);
        QCOMPARE(merged.item(ElementKind::Text, 1)->text.caption, QString("Ann Lee, Boss"));
        QCOMPARE(merged.item(ElementKind::QrCode, 2)->qr.content,
                 QString("https://x.example/Ann Lee"));
        contact.fullName = "Ann Lee";
        contact.streetAddress = QString(53, 'x') + " Main St 1, Köln; DE";
        const QString card = merged.item(ElementKind::QrCode, 1)->qr.content;
        QCOMPARE(card, QString::fromUtf8(vcard::writeVCard(contact)));
        QVERIFY(card.contains("N:Lee;Ann;;;"));

        design.addCopy(ElementKind::Text, 2)->text.caption = "${Phone}";
        QVERIFY(!cardmerge::check("/tmp/people.csv", read, design, &message));
        QCOMPARE(message, QString("people.csv, line 1: no column is named \"Phone\", which the "
                                  "card's ${Phone} needs"));
        QVERIFY(!cardmerge::check("/tmp/none.csv", csv::parseCsv("Name,Title,Street,Phone\n\n"),
                                  design, &message));
        QCOMPARE(message, QString("none.csv: there are no rows to merge"));
    }

    void singleFormatting()
    {
        const float inf = std::numeric_limits<float>::infinity();
        const struct {
            float value;
            const char* text;
        } cases[] = {
            {9.75f, "9.75"},
            {3000, "3000"},
            {0.1f, "0.1"},
            {-2.5f, "-2.5"},
            {0, "0"},
            {-0.0f, "0"},
            {1234.567f, "1234.567"},
            {1.0f / 3, "0.3333333"},
            {9999999, "9999999"},
            {1e7f, "1E+07"},
            {12345678, "1.234568E+07"},
            {1e10f, "1E+10"},
            {0.00001f, "0.00001"},
            {1.5e-6f, "1.5E-06"},
            {std::numeric_limits<float>::denorm_min(), "1E-45"},
            {inf, "3.402823E+38"},
            {-inf, "-3.402823E+38"},
            {std::nanf(""), "0"},
        };
        for (const auto& c : cases)
            QCOMPARE(formatSingle(c.value), QByteArray(c.text));
    }

    void singleRoundTrip()
    {
        // Geometry in twips: every value of up to 7 digits comes back exactly.
        for (int k = -200000; k <= 200000; ++k) {
            const float value = float(k) / 20;
            const auto back = parseSingle({formatSingle(value)});
            QVERIFY2(back && *back == value, formatSingle(value).constData());
        }
        // Any float: exact when 7 digits can hold it, otherwise within 7 digits' rounding.
        QRandomGenerator random(7);
        for (int i = 0; i < 200000; ++i) {
            const quint32 bits = random.generate();
            float value;
            std::memcpy(&value, &bits, sizeof value);
            if (!std::isfinite(value))
                continue;
            const QByteArray text = formatSingle(value);
            const auto back = parseSingle({text});
            QVERIFY2(back, text.constData());
            if (shortestDigits(value) <= 7)
                QVERIFY2(*back == value || value == 0, text.constData());
            else
                QVERIFY2(std::fabs(*back - value)
                             <= std::fabs(value) * 6e-7f + std::numeric_limits<float>::denorm_min(),
                         text.constData());
        }
    }

    // Every conversion of one line: lenient where the writer could have produced the text,
    // strict otherwise.
    void fieldReading()
    {
        const struct {
            const char* line;
            double single;
            qint64 int32, int16, boolean;
        } cases[] = {
            {"   12  ", 12, 12, 12, No},
            {"12,5", 12, 12, 12, No},
            {"-0", 0, 0, 0, No},
            {"00012", 12, 12, 12, No},
            {"1E+07", 1e7, No, No, No},
            {"2.5e-1", 0.25, No, No, No},
            {".5", 0.5, No, No, No},
            {"12.0", 12, No, No, No},
            {"-2147483633", -2147483633.0, -2147483633, No, No},
            {"-2147483648", -2147483648.0, -2147483648LL, No, No},
            {"-32768", -32768, -32768, -32768, No},
            {"2147483648", 2147483648.0, No, No, No},
            {"32768", 32768, 32768, No, No},
            {"99999999999999999999999", 1e23, No, No, No},
            {"1E+39", NoValue, No, No, No},
            {"1E-50", NoValue, No, No, No},
            {"12abc", NoValue, No, No, No},
            {"&H10", NoValue, No, No, No},
            {"inf", NoValue, No, No, No},
            {"--1", NoValue, No, No, No},
            {"-", NoValue, No, No, No},
            {"", NoValue, No, No, No},
            {"\"12\"", NoValue, No, No, No},
            {"#TRUE#", NoValue, No, No, 1},
            {"  #FALSE#,#TRUE#", NoValue, No, No, 0},
            {"#true#", NoValue, No, No, 1},
            {"TRUE", NoValue, No, No, No},
            {"\"#TRUE#\"", NoValue, No, No, No},
        };
        for (const auto& c : cases) {
            const Field field = extractField(c.line);
            const auto single = parseSingle(field);
            const auto int32 = parseInt32(field);
            const auto int16 = parseInt16(field);
            const auto boolean = parseBoolean(field);
            QVERIFY2(single ? float(c.single) == *single : c.single == NoValue, c.line);
            QVERIFY2(int32 ? *int32 == c.int32 : c.int32 == No, c.line);
            QVERIFY2(int16 ? *int16 == c.int16 : c.int16 == No, c.line);
            QVERIFY2(boolean ? *boolean == c.boolean : c.boolean == No, c.line);
        }
    }

    void fieldExtraction()
    {
        const struct {
            const char* line;
            const char* text;
            bool quoted;
        } cases[] = {
            {"\"a,b\"", "a,b", true},        {"\"say \"hi\", now\"", "say \"hi\", now", true},
            {"\"\"\"", "\"", true},          {"\"\"", "", true},
            {"\"open", "open", true},        {"  \" kept \"", " kept ", true},
            {" bare , rest", "bare", false}, {"x\"y\"", "x\"y\"", false},
        };
        for (const auto& c : cases) {
            const Field field = extractField(c.line);
            QCOMPARE(field.text.toByteArray(), QByteArray(c.text));
            QCOMPARE(field.quoted, c.quoted);
        }
    }

    void writerBytes()
    {
        CardWriter writer;
        writer.writeCard({});
        LabelRecord label{QStringLiteral("Text"),
                          1215,
                          9.75f,
                          -30,
                          0.1f,
                          qint32(0x8000000F),
                          0x00FF0000,
                          1,
                          storedFontName(QStringLiteral("Tahoma")),
                          8.25f,
                          true,
                          false,
                          false,
                          2,
                          QStringLiteral("r"),
                          {}};
        writer.writeLabel(label);
        writer.writeImage({15, 30, 45, 60, QStringLiteral("/home/a/b.png"), {}});
        writer.writeShape({100, 200, 0, 5, 255, 3});

        const QByteArray expected =
            lines({"TheCard", "360", "210", "16777215"}, 14)
            + lines({"\"Label\"", "\"Text\"", "1215", "9.75", "-30", "0.1", "-2147483633",
                     "16711680", "1", "\"Tahoma (Arabic)\"", "8.25", "#TRUE#", "#FALSE#", "#FALSE#",
                     "2", "\"r\"", "\"\"", "\"Text\""})
            + lines({"\"Image\"", "15", "30", "45", "60", "\"/home/a/b.png\""}, 10)
            + lines({"\"\"", "\"img\""})
            + lines({"\"ActiveShape\"", "100", "200", "0", "5", "255", "3"}, 11);
        QCOMPARE(writer.bytes(), expected);
    }

    void textStylesGoldenFile()
    {
        // Each item sets one style alone and its own alignment, so that a swapped line or
        // value shows in the bytes and again in what is read back.
        struct Style {
            const char* caption;
            float left;
            bool bold, underline, italic;
            qint16 alignment;
        };
        const Style styles[] = {{"Bold left", 120, true, false, false, 0},
                                {"Underline right", 1800, false, true, false, 1},
                                {"Italic centred", 3480, false, false, true, 2}};
        CardWriter writer;
        writer.writeCard({});
        for (const Style& s : styles) {
            LabelRecord label;
            label.caption = s.caption;
            label.width = 1500;
            label.height = 300;
            label.left = s.left;
            label.top = 120;
            label.backColor = 0x00FFFFFF;
            label.fontName = storedFontName(QStringLiteral("Tahoma"));
            label.fontSize = 12;
            label.bold = s.bold;
            label.underline = s.underline;
            label.italic = s.italic;
            label.alignment = s.alignment;
            writer.writeLabel(label);
        }
        const QByteArray file = readFileBytes(QUILLMARK_TEST_DATA "/text-styles.qmark");
        QCOMPARE(writer.bytes(), file);

        const std::vector<RawRecord> records = readAll(file);
        QCOMPARE(records.size(), std::size(styles) + 1);
        for (size_t i = 0; i < std::size(styles); ++i) {
            const LabelFields read = labelFields(records[i + 1]);
            QCOMPARE(read.caption, QString(styles[i].caption));
            QCOMPARE(read.bold, styles[i].bold);
            QCOMPARE(read.underline, styles[i].underline);
            QCOMPARE(read.italic, styles[i].italic);
            QCOMPARE(read.alignment, styles[i].alignment);
        }
    }

    // The extension's golden file: the text that shrinks carries an "Extra" record right
    // after its own, the one that does not carries none; read and written again, the bytes
    // are the same, and the clipboard's records carry the property too.
    void extensionGoldenFile()
    {
        const QByteArray file = readFileBytes(QUILLMARK_TEST_DATA "/shrink-to-fit.qmark");
        const CardDesign design = carddesignfile::read(file).design;
        const CardItem* shrinking = design.item(ElementKind::Text, 1);
        const CardItem* plain = design.item(ElementKind::Text, 2);
        QVERIFY(shrinking && plain);
        QVERIFY(shrinking->text.shrinkToFit);
        QVERIFY(!plain->text.shrinkToFit);
        QCOMPARE(shrinking->text.fontSize, 14.0f);
        QCOMPARE(plain->box(), QRectF(300, 900, 2400, 330));
        QCOMPARE(carddesignfile::write(design), file);
        const QList<CardItem> pasted =
            carddesignfile::readRecords(carddesignfile::writeRecords(design, {*shrinking, *plain}));
        QCOMPARE(pasted.size(), 2);
        QVERIFY(pasted[0].text.shrinkToFit && !pasted[1].text.shrinkToFit);

        // More pairs than a record holds take several records with the same subject.
        QList<ExtraPair> pairs;
        for (int i = 0; i < PairsPerExtra + 1; ++i)
            pairs.append({QString("Name%1").arg(i), QString::number(i)});
        CardWriter writer;
        writer.writeExtras(ElementSubject, pairs);
        const auto records = readAll(writer.bytes());
        QCOMPARE(records.size(), size_t(2));
        QCOMPARE(records[1].kind(), RecordKind::Extra);
        QCOMPARE(extraFields(records[0]).pairs + extraFields(records[1]).pairs, pairs);
        QCOMPARE(*extraFields(records[1]).subject, QStringLiteral("Element"));
    }

    // A card with a back: the back's elements and colour are written after the front and
    // read back exactly; the front alone (what a reader of the front sees once it skips the
    // back's records) is the same front; and a card whose back is empty is written as ever.
    void twoSidedGoldenFile()
    {
        const QByteArray file = readFileBytes(QUILLMARK_TEST_DATA "/two-sided.qmark");
        CardDesign made;
        made.addCopy(ElementKind::Text, 1)->text.caption = "Front";
        made.textCount = 1;
        const QByteArray frontOnly = carddesignfile::write(made);
        made.show(CardSide::Back);
        made.backColor = 0x00336699;
        CardItem* back = made.addCopy(ElementKind::Text, 2);
        back->text.caption = "Back";
        back->text.shrinkToFit = true;
        made.addCopy(ElementKind::Shape, 1)->setLeft(600);
        made.addCopy(ElementKind::QrCode, 1)->qr.content = "https://example.org";
        made.addCopy(ElementKind::Picture, 1);
        made.textCount = 2, made.shapeCount = 1, made.qrCodeCount = 1, made.pictureCount = 1;
        QCOMPARE(made.shownSide(), CardSide::Back);
        QCOMPARE(carddesignfile::write(made), file);

        const CardDesign read = carddesignfile::read(file).design;
        QCOMPARE(read.shownSide(), CardSide::Front);
        QVERIFY(read.hasBack());
        QCOMPARE(read.sideColor(CardSide::Back), 0x00336699);
        QCOMPARE(read.sideColor(CardSide::Front), CardDesign::DefaultBackColor);
        const QList<CardItem>& backItems = read.sideItems(CardSide::Back);
        QCOMPARE(backItems.size(), 4);
        QVERIFY(std::none_of(backItems.begin(), backItems.end(), [](const CardItem& item) {
            return item.isTemplate() || !item.visible;
        }));
        QCOMPARE(backItems[0].text.caption, QStringLiteral("Back"));
        QVERIFY(backItems[0].text.shrinkToFit);
        QCOMPARE(carddesignfile::write(read), file);

        // The records a reader of the front knows, and nothing of the back among its elements.
        QByteArray known;
        CardReader reader(file);
        while (const auto record = reader.next())
            if (record->backKind() == RecordKind::Other && record->kind() != RecordKind::Extra)
                for (int line = 1; line <= RecordLines; ++line)
                    known += record->line(line)->toByteArray() + "\r\n";
        const CardDesign front = carddesignfile::read(known).design;
        QVERIFY(!front.hasBack());
        QCOMPARE(read.sideItems(CardSide::Front), front.items());
        // The front shows what the card had before its back was made (the QR code's template,
        // hidden, is the back's doing).
        const auto shown = [](const QList<CardItem>& items) {
            QList<CardItem> visible;
            std::copy_if(items.begin(), items.end(), std::back_inserter(visible),
                         [](const CardItem& item) { return item.visible; });
            return visible;
        };
        QCOMPARE(shown(front.items()), shown(carddesignfile::read(frontOnly).design.items()));
        QCOMPARE(carddesignfile::write(read.showing(CardSide::Back)), file);
    }

    // What a reader makes of "Extra" records after the default card and a text item: which
    // element they speak of, and which names and values count.
    void extensionReading_data()
    {
        const auto extra = [](const char* subject,
                              QList<std::pair<const char*, const char*>> named) {
            QByteArray bytes = QByteArray("\"Extra\"\r\n\"") + subject + "\"\r\n";
            for (const auto& [name, value] : named)
                bytes += QByteArray("\"") + name + "\"\r\n\"" + value + "\"\r\n";
            for (qsizetype i = named.size(); i < PairsPerExtra; ++i)
                bytes += "\"none\"\r\n\"none\"\r\n";
            return bytes;
        };
        const QByteArray card = readFileBytes(QUILLMARK_TEST_DATA "/default.qmark");
        const QByteArray text =
            lines({"\"Label\"", "\"c\"", "1", "2", "3", "4", "0", "0", "0", "\"f\"", "8", "#FALSE#",
                   "#FALSE#", "#FALSE#", "0", "\"\"", "\"\"", "\"Text\""});
        const QByteArray on = extra("Element", {{"ShrinkToFit", "1"}});
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("shrinks");
        QTest::newRow("after its element") << card + text + on << true;
        QTest::newRow("a later value wins")
            << card + text + on + extra("Element", {{"ShrinkToFit", "0"}}) << false;
        QTest::newRow("a value that is not 1 or 0 changes nothing")
            << card + text + on + extra("Element", {{"ShrinkToFit", "yes"}}) << true;
        QTest::newRow("unknown names are passed over")
            << card + text + extra("Element", {{"Rotation", "90"}, {"ShrinkToFit", "1"}}) << true;
        QTest::newRow("a run of records with one subject")
            << card + text + extra("Element", {{"Rotation", "90"}}) + on << true;
        QTest::newRow("an unknown subject")
            << card + text + extra("Back", {{"ShrinkToFit", "1"}}) << false;
        QTest::newRow("the card's") << card + text + extra("Card", {{"ShrinkToFit", "1"}}) << false;
        QTest::newRow("after a record of another kind")
            << card + text + lines({"\"BackLabel\""}, 17) + on << false;
        QTest::newRow("before any record") << on + card + text << false;
        QTest::newRow("after a picture, which has no such property") << card + on + text << false;
    }

    void extensionReading()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, shrinks);
        const CardDesign design = carddesignfile::read(bytes).design;
        const CardItem* text = design.item(ElementKind::Text, 1);
        QVERIFY(text);
        QCOMPARE(text->text.shrinkToFit, shrinks);
        // Whatever the records say, the template and the card are left alone.
        QVERIFY(!design.item(ElementKind::Text, 0)->text.shrinkToFit);
        QCOMPARE(design.widthPixels, 360.0f);
    }

    void fontNameSuffix()
    {
        for (const QString face : {"Arial", "Courier New", "Times New Roman", "Tahoma"})
            QCOMPARE(storedFontName(face), face + " (Arabic)");
        for (const QString other : {"Tahoma (Arabic)", "arial", "DejaVu Sans", ""})
            QCOMPARE(storedFontName(other), other);
    }

    void textRoundTrip()
    {
        const QString texts[] = {"He said \"hi\", twice",
                                 "\"",
                                 "\"a\",\"b\"",
                                 "x\"",
                                 "a,b",
                                 "  both ends  ",
                                 "12",
                                 "#TRUE#",
                                 QString::fromUtf8("Zürich – 5 € ✓"),
                                 ""};
        for (const QString& text : texts) {
            CardWriter writer;
            LabelRecord label;
            label.caption = label.fontName = label.reserved = label.tag = text;
            writer.writeLabel(label);
            writer.writeImage({1, 2, 3, 4, text, text});
            writer.writeShape({1, 2, 3, 4, 5, 5});

            const auto records = readAll(writer.bytes());
            QCOMPARE(records.size(), size_t(3));
            QCOMPARE(records[0].kind(), RecordKind::Label);
            const LabelFields l = labelFields(records[0]);
            QCOMPARE(*l.caption, text);
            QCOMPARE(*l.fontName, text);
            QCOMPARE(*l.reserved, text);
            QCOMPARE(*l.tag, text);
            const ImageFields i = imageFields(records[1]);
            QCOMPARE(*i.path, text);
            QCOMPARE(*i.reserved, text);
            QCOMPARE(*shapeFields(records[2]).shape, qint16(5));
        }
    }

    void lineBreaksWrittenAsSpaces()
    {
        CardWriter writer;
        LabelRecord label;
        label.caption = QStringLiteral("one\r\ntwo\nthree\rfour");
        writer.writeLabel(label);
        writer.writeShape({1, 2, 3, 4, 5, 2});
        QCOMPARE(writer.bytes().count('\n'), 2 * RecordLines);
        QCOMPARE(writer.bytes().count('\r'), 2 * RecordLines);

        const auto records = readAll(writer.bytes());
        QCOMPARE(records.size(), size_t(2));
        QCOMPARE(*labelFields(records[0]).caption, QStringLiteral("one two three four"));
        QCOMPARE(*shapeFields(records[1]).shape, qint16(2));
    }

    void recordKinds()
    {
        const auto label = lines({"\"Label\"", "\"c\"", "1", "2", "3", "4", "0", "0", "0", "\"f\"",
                                  "8", "#FALSE#", "#FALSE#", "#FALSE#", "0", "\"\"", "\"\""});
        const QByteArray bytes = label + "\"Text\"\r\n" + label + "\"Shape\"\r\n"
                                 + lines({"TheCard", "1", "2", "3"}, 14)
                                 + lines({"\"Unknown\""}, 17);
        const auto records = readAll(bytes);
        QCOMPARE(records.size(), size_t(4));
        QCOMPARE(records[0].kind(), RecordKind::Label);
        QCOMPARE(records[1].kind(), RecordKind::Other); // line 18 is not the text marker
        QCOMPARE(records[2].kind(), RecordKind::Card);
        QCOMPARE(records[3].kind(), RecordKind::Other);
    }

    void lineEndsAndByteOrderMark()
    {
        CardWriter writer;
        writer.writeCard({385, 100.5f, -2147483633});
        QByteArray lfOnly = writer.bytes();
        lfOnly.replace("\r\n", "\n");
        lfOnly.chop(1); // and no line end after the last line
        for (const QByteArray& bytes : {lfOnly, "\xEF\xBB\xBF" + writer.bytes()}) {
            const auto records = readAll(bytes);
            QCOMPARE(records.size(), size_t(1));
            QVERIFY(records[0].isComplete());
            QCOMPARE(records[0].kind(), RecordKind::Card);
            const CardFields card = cardFields(records[0]);
            QCOMPARE(*card.width, 385.0f);
            QCOMPARE(*card.height, 100.5f);
            QCOMPARE(*card.backColor, -2147483633);
            QCOMPARE(*records[0].text(18), QStringLiteral("none"));
        }
    }

    void truncatedLastRecord()
    {
        CardWriter writer;
        writer.writeCard({});
        writer.writeImage({10, 20, 30, 40, QStringLiteral("/p.png"), QStringLiteral("r")});
        // Cut in the middle of line 4, Left ("30").
        const QByteArray bytes = writer.bytes().left(writer.bytes().indexOf("30\r\n") + 1);
        const auto records = readAll(bytes);
        QCOMPARE(records.size(), size_t(2));
        const RawRecord& cut = records[1];
        QVERIFY(!cut.isComplete());
        QCOMPARE(cut.lineCount(), 4);
        QCOMPARE(cut.kind(), RecordKind::Image);
        const ImageFields image = imageFields(cut);
        QCOMPARE(*image.width, 10.0f);
        QCOMPARE(*image.left, 3.0f);
        QVERIFY(!image.top && !image.path && !image.reserved && !image.tag);
    }

    void emptyAndGarbage()
    {
        QVERIFY(readAll(QByteArray()).empty());
        QVERIFY(readAll(QByteArray("\xEF\xBB\xBF")).empty());

        QByteArray garbage(1 << 20, Qt::Uninitialized);
        QRandomGenerator random(1);
        for (char& c : garbage)
            c = char(random.bounded(256));
        qsizetype linesSeen = 0;
        for (const RawRecord& record : readAll(garbage)) {
            linesSeen += record.lineCount();
            for (int n = 0; n <= RecordLines + 1; ++n)
                record.text(n), record.single(n), record.int32(n), record.boolean(n);
        }
        QCOMPARE(linesSeen, garbage.count('\n') + (garbage.endsWith('\n') ? 0 : 1));
    }

    void windows1252Fallback()
    {
        const struct {
            const char* bytes;
            const char16_t* text;
        } cases[] = {
            {"caf\xE9", u"café"},
            {"\x80 \x93q\x94", u"€ “q”"},
            {"\x81\x8D", u"\u0081\u008D"}, // unassigned in the code page
            {"caf\xC3\xA9", u"café"},      // valid UTF-8
            {"\xC3\xA9 \xE9", u"Ã© é"},    // one invalid byte: the whole line falls back
            {"ab\xC3", u"abÃ"},            // sequence cut off at the line end
            {"\xED\xA0\x80", u"í\u00A0€"}, // encoded surrogate
            {"\xC0\xAF", u"À¯"},           // overlong
        };
        for (const auto& c : cases) {
            const QString expected = QString::fromUtf16(c.text);
            QCOMPARE(decodeText(c.bytes), expected);
            const QByteArray record = "\"Label\"\r\n\"" + QByteArray(c.bytes) + "\"\r\n";
            QCOMPARE(*readAll(record).at(0).text(2), expected);
        }
    }

    // Ahead of the bulk test, so that the peak it measures is its own.
    void veryLongLine()
    {
        const qsizetype length = 50 * 1024 * 1024;
        QByteArray bytes(length, '0');
        const QByteArrayView head("\"ActiveShape\"\r\n");
        std::memcpy(bytes.data(), head.data(), size_t(head.size()));
        std::memcpy(bytes.data() + length - 6, "12.5\r\n", 6); // Width: zeros, then 12.5

        const long before = peakResidentKiB();
        CardReader reader(bytes);
        const auto record = reader.next();
        QVERIFY(record && !reader.next());
        QCOMPARE(record->kind(), RecordKind::Shape);
        QCOMPARE(record->line(2)->data(), bytes.constData() + head.size()); // a view, no copy
        QCOMPARE(*shapeFields(*record).width, 12.5f);
        QVERIFY(!record->int32(2));
        QVERIFY2(peakResidentKiB() - before < 16 * 1024, "the line was copied");

        // The same line as a caption without its closing quote.
        std::memcpy(bytes.data(), "\"Label\"\r\n\"", 10);
        std::memset(bytes.data() + 10, '0', size_t(head.size() - 10));
        QCOMPARE(readAll(bytes)[0].text(2)->size(), length - 12);
    }

    void manyRecords()
    {
        const int count = 100000;
        CardWriter writer;
        writer.writeCard({});
        for (int i = 0; i < count; ++i)
            writer.writeShape({float(i) / 4, 1, 2, 3, i, qint16(i % 6)});
        CardReader reader(writer.bytes());
        QCOMPARE(reader.next()->kind(), RecordKind::Card);
        int seen = 0;
        while (const auto record = reader.next()) {
            const ShapeFields shape = shapeFields(*record);
            if (*shape.width != float(seen) / 4 || *shape.backColor != seen)
                QFAIL(qPrintable(QString("record %1 differs").arg(seen)));
            ++seen;
        }
        QCOMPARE(seen, count);
    }

    void reservedTextsAboveTheTable()
    {
        ReservedTexts reserve;
        reserve.store(100, QStringLiteral("last"));
        reserve.store(101, QStringLiteral("lost"));
        QCOMPARE(reserve.at(100), QStringLiteral("last"));
        QVERIFY(reserve.at(101).isEmpty() && reserve.at(-1).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCardCodec)
#include "tst_cardcodec.moc"
