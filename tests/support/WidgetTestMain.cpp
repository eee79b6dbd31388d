// The main of every test program with widgets: a QApplication for the whole
// run, no display and no sound card. Test discovery runs the programs outside
// ctest's environment, so the defaults are set here too.
#include "support/TestSupport.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    UseNoDisplayOrSoundCard();
    // Recovery copies, check results and measured waveforms of the programs under test
    // stay out of the learner's own folders.
    const QTemporaryDir state, data, cache;
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
