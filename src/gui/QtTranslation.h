#pragma once

class QCoreApplication;
class QTranslator;

namespace korvel {

// Qt's own Chinese translation (qtbase_zh_CN from Qt's translations folder), so that the standard dialogs
// and buttons Qt draws itself (file dialogs, context menus of text fields) speak the program's language
// whatever the desktop's locale. The translator belongs to the application; null when the file is not
// installed (the dialogs then stay in English, nothing else changes).
QTranslator* installQtTranslation(QCoreApplication& app);

} // namespace korvel
