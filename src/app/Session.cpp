#include "app/Session.h"

#include "history/HistoryStore.h"
#include "platform/Database.h"
#include "settings/Options.h"

namespace korvel {

Session::~Session() = default;

} // namespace korvel
