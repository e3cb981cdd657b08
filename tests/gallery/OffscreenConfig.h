#pragma once
// Headless screens for tests and the gallery. Qt's "offscreen" platform reads a
// JSON file (QT_QPA_PLATFORM=offscreen:configfile=FILE) that declares its
// screens; this helper writes one for an emulated handheld display given as
// DAWNBELL_SCREEN text "WxH[@dpi]".
//
// The display's W x H device pixels at D dpi become a Qt screen of W/r x H/r
// logical pixels with device pixel ratio r = D/96 and a logical density of 96
// dpi (the rule of Scaling.h), so 480x800@192 is a 240 x 400 screen at ratio 2.
#include "Scaling.h"

#include <QByteArray>
#include <QString>

namespace dawnbell {

class OffscreenConfig {
public:
    // The offscreen plugin's configuration for one screen named `name`:
    // {"screens":[{"name","x","y","width","height","logicalDpi","logicalBaseDpi","dpr"}],
    //  "windowFrameMargins":false}.
    static QByteArray Json(const ScreenGeometry& screen, const QString& name = QStringLiteral("dawnbell"));
    // Writes the configuration of the display `screenText` into `dir` (created
    // when missing) and returns the file's path; "" with a reason in `error` when
    // the text is not a valid display or the file cannot be written.
    static QString Write(const QString& screenText, const QString& dir, QString* error = nullptr);
    // The QT_QPA_PLATFORM value that starts the offscreen plugin with `configPath`.
    static QString PlatformValue(const QString& configPath);
    // For a process that has not created its QGuiApplication yet: writes the
    // configuration into `dir` and sets QT_QPA_PLATFORM and DAWNBELL_SCREEN so the
    // application starts on that display. False (environment unchanged) on failure.
    static bool Prepare(const QString& screenText, const QString& dir, QString* error = nullptr);
};

} // namespace dawnbell
