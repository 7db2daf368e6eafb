#include "bets/BetExport.h"

#include "platform/FileWrite.h"
#include "platform/Launcher.h"
#include "platform/TextCodec.h"

#include <QDir>

namespace korvel {

QString betTextFileName()
{
    return QStringLiteral("投注单.txt");
}

QString betSheetFileName()
{
    return QStringLiteral("投注单.xls");
}

QString exportBetText(const BetList& list, const QString& folder, Launcher& launcher, QString* error)
{
    const auto fail = [error](const QString& why) {
        if (error) {
            *error = why;
        }
        return QString();
    };
    if (list.empty()) {
        return fail(list.problemText());
    }
    const std::optional<QByteArray> bytes = textcodec::gbkLines(list.lines());
    if (!bytes) {
        return fail(QStringLiteral("投注单含有不能写成文本文件的字符，未导出。"));
    }
    const QString path = QDir(folder).filePath(betTextFileName());
    QString why;
    if (!writeWholeFile(path, *bytes, &why)) {
        return fail(QStringLiteral("无法写入文件 %1：%2").arg(QDir::toNativeSeparators(path), why));
    }
    if (!launcher.openTextFile(path) && error) {
        *error = QStringLiteral("投注单已导出到 %1，但无法打开文本编辑器。").arg(QDir::toNativeSeparators(path));
    }
    return path;
}

SheetGrid betSheet(const BetList& list, const PrizeTable& prizes)
{
    SheetGrid grid;
    const QStringList headers = {QStringLiteral("号码"), QStringLiteral("和值"), QStringLiteral("跨度"),
                                 QStringLiteral("形态")};
    for (int c = 0; c < headers.size(); ++c) {
        grid.setText(0, c, headers[c]);
    }
    int row = 1;
    for (const Bet& b : list.bets()) {
        grid.setText(row, 0, list.play() == BetPlay::Direct ? b.numberText() : b.text(BetPlay::Group).section(' ', 1));
        grid.setNumber(row, 1, b.sum());
        grid.setNumber(row, 2, b.span());
        grid.setText(row, 3, groupFormName(b.form));
        ++row;
    }
    const BetWorth w = list.worth(prizes);
    grid.setText(row, 0, QStringLiteral("共%1注").arg(w.bets));
    grid.setText(row, 1, QStringLiteral("%1元").arg(w.cost));
    grid.setText(row, 2, QStringLiteral("期望返还%1元").arg(QString::number(w.expected, 'f', 2)));
    return grid;
}

SheetShown exportBetSheet(const BetList& list, const PrizeTable& prizes, const QString& folder, Dialogs& dialogs,
                          Launcher& launcher)
{
    return showSheet(betSheet(list, prizes), folder, betSheetFileName(), dialogs, launcher);
}

QString betListText(const BetList& list, const PrizeTable& prizes)
{
    QStringList lines = list.lines();
    const BetWorth w = list.worth(prizes);
    lines << QStringLiteral("共%1注 %2元").arg(w.bets).arg(w.cost);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace korvel
