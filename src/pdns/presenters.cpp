#include "trawl/present.h"

namespace trawl {

const presenter pres_text_lookup{present_text_lookup, true};
const presenter pres_text_summarize{present_text_summarize, true};
const presenter pres_csv_lookup{present_csv_lookup, true};
const presenter pres_csv_summarize{present_csv_summarize, true};
// It needs the query's search mode, which sorted records no longer have.
const presenter pres_minimal_lookup{present_minimal_lookup, false};
const presenter pres_json_lookup{present_json_lookup, true};
const presenter pres_json_summarize{present_json_summarize, true};

}  // namespace trawl
