#include "shooterfixture.h"

#include "shooters/sightprofiledialog.h"
#include "shooters/sightpreview.h"
#include "support/testmain.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

bool black(const QImage &img, int x, int y) { return img.pixel(x, y) == qRgb(0, 0, 0); }
bool white(const QImage &img, int x, int y) { return img.pixel(x, y) == qRgb(255, 255, 255); }

SightSizes shown(const SightProfileDialog &d) { return d.profile(); }

const SightSizes Defaults = SightSizes::defaults();

} // namespace

class SightProfileDialogTest : public QObject
{
    Q_OBJECT
private slots:
    void previewOfTheDefaults()
    {
        const QImage img = DrawSightPreview(Defaults);
        QCOMPARE(img.size(), QSize(300, 300));
        // Diopter limit 100: no black ring inside the outer circle.
        QVERIFY(white(img, 10, 150));
        QVERIFY(white(img, 150, 20));
        // Tunnel ring (radius 75 down to 56) black, inside it white.
        QVERIFY(black(img, 150, 80));
        QVERIFY(black(img, 150 - 50, 150 - 40));
        QVERIFY(white(img, 150, 100));
        // Ring front sight (20 .. 12) black, the gap to the mirror white.
        QVERIFY(black(img, 150, 133));
        QVERIFY(black(img, 150 + 16, 150));
        QVERIFY(white(img, 150, 140));
        QVERIFY(white(img, 140, 150));
        // Mirror: black disc.
        QVERIFY(black(img, 150, 150));
        QVERIFY(black(img, 145, 152));
        // Holders between tunnel and ring front sight, the post below.
        QVERIFY(black(img, 110, 150));
        QVERIFY(black(img, 190, 150));
        QVERIFY(white(img, 110, 140));
        QVERIFY(black(img, 150, 260));
        QVERIFY(white(img, 120, 260));
    }

    void aDiopterLimitBlackensTheOuterRing()
    {
        SightSizes p = Defaults;
        p.DiopVis_Size = 80; // limit circle at inset 30
        const QImage img = DrawSightPreview(p);
        QVERIFY(black(img, 20, 150));
        QVERIFY(black(img, 150, 10));
        QVERIFY(white(img, 40, 150));
        QVERIFY(!black(img, 1, 1)); // the corner outside the circle is not filled
    }

    void resolutionAndOpeningDoNotChangeThePreview()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        SightProfileDialog d;
        d.resize(d.sizeHint());
        const QImage before = d.previewBox()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        d.monitorBox()->setCurrentIndex(3);
        d.diopterSpin()->setValue(20);
        QCOMPARE(d.previewBox()->grab().toImage().convertToFormat(QImage::Format_RGB32), before);
        d.ringInnerSpin()->setValue(10);
        QVERIFY(d.previewBox()->grab().toImage().convertToFormat(QImage::Format_RGB32) != before);
        QVERIFY(black(before, 150, 150));
    }

    void controlsKeepTheirRanges()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        SightProfileDialog d;
        QCOMPARE(d.objectName(), QStringLiteral("PersVis_Form"));
        QCOMPARE(d.diopterLimitSpin()->minimum(), 50);
        QCOMPARE(d.diopterSpin()->maximum(), 200);
        d.diopterSpin()->stepUp();
        QCOMPARE(d.diopterSpin()->value(), 151);
    }

    void numberFieldsTakeTypedDigits_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");   // "<" is Backspace, "^" the up arrow
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("column");
        QTest::newRow("opening typed") << "Diopter_SpinEdit" << "*120" << 120 << "Diopter_Size";
        QTest::newRow("Backspace") << "Diopter_SpinEdit" << "<" << 15 << "Diopter_Size";
        QTest::newRow("Backspace and digits") << "IKorntunnel_SpinEdit" << "<<42" << 42 << "I_Korntunnel";
        QTest::newRow("above the range not taken") << "Diopter_SpinEdit" << "*250" << 25 << "Diopter_Size";
        QTest::newRow("percent up to 100") << "IRingkorn_SpinEdit" << "*1000" << 100 << "I_RingKorn";
        QTest::newRow("below the range goes back") << "DiopVis_SpinEdit" << "*3" << 100 << "DiopVis_Size";
        QTest::newRow("emptied goes back") << "ARingkorn_SpinEdit" << "*<" << 13 << "A_Ringkorn";
        QTest::newRow("mirror") << "Spiegel_SpinEdit" << "*12" << 12 << "Spiegel_Size";
        QTest::newRow("arrow") << "AKorntunnel_SpinEdit" << "^" << 51 << "A_Korntunnel";
    }

    // Key by key into the shown dialog ("*" selects the field's text first),
    // then Tab; the value, the preview and the stored profile follow.
    void numberFieldsTakeTypedDigits()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(int, value);
        QFETCH(QString, column);
        ShooterFixture f;
        QVERIFY(f.ok);
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        SightProfileDialog d;
        d.setEditMode(false);
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        auto *spin = d.findChild<QSpinBox *>(field);
        QVERIFY(spin);
        const QImage before = d.previewImage();
        spin->setFocus();
        QTest::keyClick(spin, Qt::Key_End);
        for (const QChar c : typed) {
            if (c == u'*')
                QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
            else if (c == u'<')
                QTest::keyClick(spin, Qt::Key_Backspace);
            else if (c == u'^')
                QTest::keyClick(spin, Qt::Key_Up);
            else
                QTest::keyClick(spin, c.toLatin1());
        }
        QTest::keyClick(spin, Qt::Key_Tab);
        QVERIFY(!spin->hasFocus());
        QCOMPARE(spin->value(), value);
        QCOMPARE(spin->text(), QString::number(value));
        if (field != QLatin1String("Diopter_SpinEdit") && value != Defaults.DiopVis_Size && value != 13)
            QVERIFY(d.previewImage() != before);
        d.okClicked();
        QCOMPARE(sqlOnFile(f.visFile(), QStringLiteral("SELECT CAST(\"%1\" AS INT) FROM VData").arg(column)),
                 QStringList{QString::number(value)});
    }

    void aNewProfileStartsWithTheDefaults()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        SightProfileDialog d;
        d.setEditMode(false);
        d.setProfile(SightSizes{0, 1, 50, 1, 1, 1, 1, 1});
        f.clearLog();
        d.show();
        QCOMPARE(d.monitorBox()->currentText(), QStringLiteral("800 x 600"));
        QCOMPARE(shown(d), Defaults);
        QCOMPARE(f.data->visierTable()->state(), DataTable::State::Insert);
        d.okClicked();
        QVERIFY(!d.isVisible());
        QCOMPARE(sqlOnFile(f.visFile(), QStringLiteral("SELECT Name || Vorname || ':' || Monitor_Size || ',' || "
                                                        "Diopter_Size || ',' || Spiegel_Size FROM VData")),
                 QStringList{QStringLiteral("MeyerAnna:1.0,150.0,6.0")});
        QVERIFY(d.storedNummer() > 0);
        QCOMPARE(f.logMessages(), QStringList({QStringLiteral("Ausführen : [Start] Datensatz hinzufügen"),
                                               QStringLiteral("Ausführen : [Start] Datensatz speichern")}));
    }

    void editingShowsTheStoredProfileOrTheDefaults()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        SightProfileDialog d;
        d.setEditMode(true);
        d.setProfile(SightSizes{0, 1, 50, 1, 1, 1, 1, 1});
        d.show();
        QCOMPARE(shown(d), Defaults); // no profile yet
        d.mirrorSpin()->setValue(7);
        d.monitorBox()->setCurrentIndex(2);
        d.okClicked();
        QCOMPARE(rowsInFile(f.visFile(), QStringLiteral("VData")), 1);

        d.show();
        QCOMPARE(d.mirrorSpin()->value(), 7);
        QCOMPARE(d.monitorBox()->currentIndex(), 2);
        d.diopterLimitSpin()->setValue(60);
        d.cancelButton()->click();
        QCOMPARE(f.data->visierTable()->state(), DataTable::State::Browse);
        QCOMPARE(sqlOnFile(f.visFile(), QStringLiteral("SELECT DiopVis_Size FROM VData")), QStringList{"100"});

        // A stored profile with an empty opening is shown as the defaults.
        DataTable *vis = f.data->visierTable();
        QVERIFY(vis->edit() && vis->setFieldValue(QStringLiteral("Diopter_Size"), QVariant()) && vis->post());
        d.show();
        QCOMPARE(shown(d), Defaults);
        d.reject();
        QCOMPARE(f.messages.count(), 0);
    }
};

VR_TEST_CLASS(SightProfileDialogTest)
#include "sightprofiledialog_test.moc"
