#include "gui/widgets/PngExport.h"

#include "platform/Dialogs.h"
#include "platform/FileWrite.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QWidget>

namespace korvel {

bool savePng(const QImage& image, const QString& path, QString* error)
{
    const auto fail = [error](const QString& why) {
        if (error) {
            *error = why;
        }
        return false;
    };
    if (image.isNull()) {
        return fail(QStringLiteral("没有可导出的图片"));
    }
    // Encoded in memory first: the file is then written whole, every write checked, or not at all.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) {
        return fail(writer.errorString());
    }
    QString why;
    if (!writeWholeFile(path, bytes, &why)) {
        return fail(why);
    }
    return true;
}

QString exportPng(const QImage& image, Dialogs& dialogs, const QString& suggestedPath)
{
    const QString path = dialogs.saveFile(QStringLiteral("导出图片"), suggestedPath, QStringLiteral("PNG(*.png)"));
    if (path.isEmpty()) {
        return {};
    }
    QString error;
    if (!savePng(image, path, &error)) {
        dialogs.message(QStringLiteral("导出图片"),
                        QStringLiteral("图片无法写入 %1：%2").arg(QDir::toNativeSeparators(path), error),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return {};
    }
    return path;
}

QString pictureWrittenText(const QString& path)
{
    return QStringLiteral("图片已写入：%1").arg(QDir::toNativeSeparators(path));
}

QImage widgetImage(QWidget* widget)
{
    return widget->grab().toImage();
}

} // namespace korvel
