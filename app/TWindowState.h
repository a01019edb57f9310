#pragma once
// The main window's size, place and splitter positions, kept across runs in
// the [WINDOW] section of the configuration file.  Nothing else of the file
// is touched.
class QMainWindow;
class TIniFile;

namespace TWindowState {

// Sets the window's size and place from the file, kept on the screen; a
// missing or unusable entry leaves what the window has.
void Restore_Geometry(QMainWindow *window, const TIniFile &ini);

// Sets every named splitter inside the window to its stored sizes.
void Restore_Splitters(QMainWindow *window, const TIniFile &ini);

// Writes the window's normal geometry, whether it is maximised, and the
// sizes of its named splitters, in one write.
void Save(const QMainWindow *window, TIniFile &ini);

} // namespace TWindowState
