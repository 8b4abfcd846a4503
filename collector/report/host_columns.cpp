#include "collector/report/host_columns.h"

namespace zelmo::collector {

std::vector<HostColumn> HostColumns() {
    using Source = HostColumn::Source;
    // The file's name stands for the host: the record's own host value shows
    // only where it differs, as a problem.
    std::vector<HostColumn> columns{{"host", "Host", Source::FileHost}};
    for (const inventory::RecordField& field : inventory::kRecordFields) {
        if (!field.tabled) continue;
        const bool numeric = field.check == inventory::FieldCheck::Digits;
        // Numbers are set right-aligned.
        columns.push_back({field.key, field.heading, Source::Field, field.value, numeric, numeric});
    }
    columns.push_back({"recorded", "Recorded", Source::Recorded});
    columns.push_back({"problems", "Problems", Source::Problems, nullptr, false, true});
    columns.push_back({"applications", "Applications", Source::Applications, nullptr, false, true});
    return columns;
}

}  // namespace zelmo::collector
