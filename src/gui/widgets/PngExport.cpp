#include "gui/widgets/PngExport.h"

#include "platform/Dialogs.h"

#include <QDir>
#include <QImageWriter>
#include <QSaveFile>
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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return fail(file.errorString());
    }
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) {
        file.cancelWriting();
        return fail(writer.errorString());
    }
    if (!file.commit()) {
        return fail(file.errorString());
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
