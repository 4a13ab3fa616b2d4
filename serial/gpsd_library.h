// gpsd's client library, which reads gpsd's reports: loaded when the first
// gpsd source is chosen, not at start, so that a program without one neither
// needs libgps nor carries it and the libraries it pulls in.
#pragma once

// True when the reader of gpsd's reports is there, loaded now or before;
// otherwise says on the diagnostics channel what to install.
bool LoadGpsdReportReader();
