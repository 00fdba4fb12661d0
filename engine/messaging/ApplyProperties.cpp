// The walk over property sets and the chain of attachment elements. A value
// that cannot be stored is skipped; the table tells when a missing element
// ends the whole set instead.
#include "engine/messaging/ApplyProperties.h"

#include <algorithm>

#include "engine/messaging/TagTable.h"

namespace {

void ApplySet(tpropset& set, tstoretarget& target) {
    size_t count = std::min<size_t>(size_t(std::max(set.Count, 0)), set.Values.size());
    for (size_t i = 0; i < count; ++i) {
        tpropvalue* value = set.Values[i].get();
        if (!value) continue;
        if (ApplyValue(target, *value) == tapplyresult::StopSet) return;
    }
}

} // namespace

int32_t ApplyProperties(tpropset* sets, tpstmessage* message, tattachment* record) {
    if (!message) return -1;
    tstoretarget target{message, record};
    for (tpropset* set = sets; set; set = set->Next.get()) {
        ApplySet(*set, target);
        if (target.element) target.element = target.element->Next.get();
    }
    return 0;
}
