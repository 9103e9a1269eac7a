// The progress bar: its position never leaves 0..maximum and a maximum of 0 is an empty bar.
#include "ui/progress_bar.h"

#include <QtTest>

class ProgressBarTest : public QObject {
    Q_OBJECT
private slots:
    void startsAt0Of100() {
        ui::ProgressBar pb;
        QCOMPARE(pb.position(), 0);
        QCOMPARE(pb.maximum(), 100);
        QVERIFY(!pb.isTextVisible());
    }

    void positionIsCappedAtTheMaximum() {
        ui::ProgressBar pb;
        pb.setMaximum(39);
        for (int i = 0; i < 50; ++i) pb.setPosition(pb.position() + 2);  // read back, add 2
        QCOMPARE(pb.position(), 39);
        QCOMPARE(pb.value(), 39);  // drawn full
        pb.setPosition(-5);
        QCOMPARE(pb.position(), 0);
    }

    void aLowerMaximumCapsThePositionInsteadOfResettingIt() {
        ui::ProgressBar pb;
        pb.setMaximum(39);
        pb.setPosition(30);
        pb.setMaximum(12);
        QCOMPARE(pb.position(), 12);
        QCOMPARE(pb.value(), 12);  // a plain QProgressBar would reset to "no value"
        QCOMPARE(pb.QProgressBar::maximum(), 12);
        pb.setMaximum(50);
        QCOMPARE(pb.position(), 12);  // raising it again leaves the position
    }

    void aMaximumOf0IsAnEmptyBarNotABusyOne() {
        ui::ProgressBar pb;
        pb.setPosition(7);
        pb.setMaximum(0);
        QCOMPARE(pb.maximum(), 0);
        QCOMPARE(pb.position(), 0);
        pb.setPosition(3);
        QCOMPARE(pb.position(), 0);
        // Qt draws a busy animation when minimum and maximum are equal.
        QVERIFY(pb.QProgressBar::maximum() > pb.minimum());
        QCOMPARE(pb.value(), 0);
        pb.setMaximum(-4);
        QCOMPARE(pb.maximum(), 0);
    }
};

QTEST_MAIN(ProgressBarTest)
#include "progress_bar_test.moc"
