#include <QIntValidator>
#include <QSignalSpy>
#include <QtTest>

#include "ui/components/ClampedLineEdit.h"
#include "ui/components/ZDoubleValidator.h"

using Ui::Components::ClampedLineEdit;
using Ui::Components::ZDoubleValidator;

// The validator and the clamping field under several system locales: the pages write '.', the
// window's locale writes ',', and neither may depend on the machine the program runs on.
class tst_ZDoubleValidator : public QObject
{
    Q_OBJECT

    QStringList m_locales{"en_US", "fr_FR", "de_DE", "it_IT", "ru_RU"};

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void validate_data();
    void validate();
    void clampToGrid_data();
    void clampToGrid();
    void clampOnReturn_data();
    void clampOnReturn();
    void editing_data();
    void editing();
};

void tst_ZDoubleValidator::validate_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("state");
    const struct
    {
        const char* text;
        QValidator::State state;
    } cases[] = {
        {"25.50", QValidator::Acceptable}, {"25,50", QValidator::Acceptable},
        {"1", QValidator::Acceptable},     {"50.00", QValidator::Acceptable},
        {"70", QValidator::Intermediate},  {"0.5", QValidator::Intermediate},
        {"", QValidator::Intermediate},    {"1.234", QValidator::Invalid},
        {"1a", QValidator::Invalid},       {"-3", QValidator::Invalid},
        {"1.2.3", QValidator::Invalid},    {" 12.5 ", QValidator::Acceptable},
    };
    for (const QString& locale : m_locales)
        for (const auto& c : cases)
            QTest::addRow("%s %s", qPrintable(locale), c.text)
                << locale << QString::fromLatin1(c.text) << int(c.state);
}

void tst_ZDoubleValidator::validate()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(int, state);
    QLocale::setDefault(QLocale(locale));
    const ZDoubleValidator validator(1.0, 50.0, 2);
    int pos = 0;
    QCOMPARE(int(validator.validate(text, pos)), state);
}

void tst_ZDoubleValidator::clampToGrid_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("bottom");
    QTest::addColumn<double>("top");
    QTest::addColumn<QString>("expected");
    // Bounds that binary fractions cannot hold exactly: truncation would fall below them.
    QTest::newRow("0.57 at bottom") << 0.1 << 0.57 << 1.0 << "0.57";
    QTest::newRow("0.57 typed") << 0.57 << 0.57 << 1.0 << "0.57";
    QTest::newRow("1.15 at bottom") << 0.0 << 1.15 << 2.0 << "1.15";
    QTest::newRow("1.15 at top") << 9.0 << 0.0 << 1.15 << "1.15";
    QTest::newRow("251.255 top") << 300.0 << 0.0 << 251.255 << "251.25";
    QTest::newRow("251.255 bottom") << 0.0 << 251.255 << 300.0 << "251.26";
    QTest::newRow("inside rounds") << 12.345678 << 0.0 << 50.0 << "12.35";
    QTest::newRow("above") << 70.0 << 1.0 << 50.0 << "50.00";
    QTest::newRow("below") << 0.5 << 1.0 << 50.0 << "1.00";
}

void tst_ZDoubleValidator::clampToGrid()
{
    QFETCH(double, value);
    QFETCH(double, bottom);
    QFETCH(double, top);
    QFETCH(QString, expected);
    const double v = ZDoubleValidator::clampToGrid(value, bottom, top, 2);
    QVERIFY2(v >= bottom && v <= top, qPrintable(QString::number(v, 'g', 17)));
    QCOMPARE(ZDoubleValidator::format(v, 2), expected);
    // What the field then shows is accepted by the validator, so Return goes through.
    ZDoubleValidator validator(bottom, top, 2);
    QString text = ZDoubleValidator::format(v, 2);
    int pos = 0;
    QCOMPARE(validator.validate(text, pos), QValidator::Acceptable);
}

void tst_ZDoubleValidator::clampOnReturn_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    const char* cases[][2] = {{"70", "50.00"}, {"0.5", "1.00"}, {"0,5", "1.00"}, {"12.5", "12.50"}};
    for (const QString& locale : m_locales)
        for (const auto& c : cases)
            QTest::addRow("%s %s", qPrintable(locale), c[0]) << locale << c[0] << c[1];
}

void tst_ZDoubleValidator::clampOnReturn()
{
    QFETCH(QString, locale);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QLocale::setDefault(QLocale(locale));
    ClampedLineEdit edit;
    edit.setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    edit.setValidator(new ZDoubleValidator(1.0, 50.0, 2, &edit));
    edit.enableClamping();
    QSignalSpy returned(&edit, &QLineEdit::returnPressed);
    QTest::keyClicks(&edit, typed);
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(edit.text(), shown);
    QCOMPARE(returned.count(), 1);
    // A rejected keystroke pulls the text inside the range at once.
    QTest::keyClick(&edit, Qt::Key_X);
    QCOMPARE(edit.text(), shown);
}

void tst_ZDoubleValidator::editing_data()
{
    QTest::addColumn<QString>("range"); // "int" -100..100 by 5, "1..50" real, "wide" 0..10^6, "none"
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("shown");
    const auto row = [](const char* name, const char* range, const char* text, const char* action,
                        const char* shown) { QTest::newRow(name) << range << text << action << shown; };
    row("int up stops at the top", "int", "98", "up", "100");
    row("int down", "int", "100", "down", "95");
    row("int clamped", "int", "-250", "clamp", "-100");
    row("real up, comma typed", "1..50", "47,5", "up", "50.00");
    row("real down", "1..50", "50.00", "down", "45.00");
    row("unreadable stays on clamp", "1..50", "abc", "clamp", "abc");
    row("unreadable stays on step", "1..50", "abc", "step", "abc");
    row("no validator: only a warning", "none", "abc", "clamp", "abc");
    // A distance-to-fault window on a narrow sweep reaches 10^6 ns.
    row("largest value fits", "wide", "2000000", "clamp", "1000000.00");
}

void tst_ZDoubleValidator::editing()
{
    QFETCH(QString, range);
    QFETCH(QString, text);
    QFETCH(QString, action);
    ClampedLineEdit edit;
    edit.setMaxLength(6);
    if (range == QLatin1String("int")) {
        edit.setValidator(new QIntValidator(-100, 100, &edit));
    } else if (range != QLatin1String("none")) {
        auto* validator = new ZDoubleValidator(0.0, 1.0e6, 2, &edit);
        edit.setValidator(validator);
        edit.fitLengthToValidator(6);
        if (range == QLatin1String("1..50")) {
            validator->setRange(1.0, 50.0, 2);
            edit.fitLengthToValidator(6);
            QCOMPARE(edit.maxLength(), 6);
        }
    }
    edit.setText(text);
    if (action == QLatin1String("clamp"))
        edit.clamp();
    else if (action == QLatin1String("step"))
        edit.step(true);
    else
        QTest::keyClick(&edit, action == QLatin1String("up") ? Qt::Key_Up : Qt::Key_Down);
    QTEST(edit.text(), "shown");
}

QTEST_MAIN(tst_ZDoubleValidator)
#include "tst_ZDoubleValidator.moc"
