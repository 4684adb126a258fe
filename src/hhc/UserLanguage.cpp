#include "UserLanguage.h"

#include "platform/UserLanguage.h"

namespace qm::hhc {

chm::Language userLanguage() {
    return userInterfaceIsChinese() ? chm::Language::Chinese : chm::Language::English;
}

} // namespace qm::hhc
