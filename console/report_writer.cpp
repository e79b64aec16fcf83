// Report writer (the interface of the component reports in text, JSON and DOT)
#include "console/report_writer.h"

#include "console/console.h"
#include "console/dot_report.h"
#include "console/json_report.h"
#include "console/text_report.h"

namespace ugraph {

const ReportWriter& report_writer(ReportFormat format) {
    switch (format) {
    case ReportFormat::json:
        return json_report();
    case ReportFormat::dot:
        return dot_report();
    case ReportFormat::text:
        break;
    }
    return text_report();
}

void print_node_name(const NodeName& node, NameEscape escape) {
    if (node.name == nullptr) {
        print_format("%llu", static_cast<unsigned long long>(node.number));
    } else if (escape == nullptr) {
        for (std::size_t i = 0; i < node.length; i++) {
            print_char(node.name[i]);
        }
    } else {
        print_char('"');
        escape(node.name, node.length);
        print_char('"');
    }
}

} // namespace ugraph
