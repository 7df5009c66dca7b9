// The header's recorder is a QObject: its meta-object is generated here.
#include "MainWindowFixture.h"

#include "moc_MainWindowFixture.cpp"
