#include <cstdlib>

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Unit and widget tests never need a real display; end-to-end tests set
    // their own platform before starting the programs they drive.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // A message box on the offscreen platform would wait for a click that
    // never comes: answer every box with its default button unless the test
    // scripts its own answers.
    setenv("KELVRA_MESSAGE_ANSWERS", "/dev/null", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
