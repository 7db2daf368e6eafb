#pragma once

#include <QImage>
#include <QString>

class QWidget;

namespace korvel {

class Dialogs;

// "导出图片": asks where to save (suggesting `suggestedPath`), writes the image as PNG in one step (a file
// that exists is replaced only by a complete new one) and returns the path written. Empty when cancelled,
// or when the file cannot be written: the user is then told why ("导出图片" with the path and the reason).
QString exportPng(const QImage& image, Dialogs& dialogs, const QString& suggestedPath);
// What a window shows once its picture is written: "图片已写入：" and the path.
QString pictureWrittenText(const QString& path);
// Writes without asking; false with the reason in *error.
bool savePng(const QImage& image, const QString& path, QString* error);

// The picture of a widget as it is drawn now, at its current size.
QImage widgetImage(QWidget* widget);

} // namespace korvel
