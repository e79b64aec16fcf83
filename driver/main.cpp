// Program entry (reads the command line and runs what it asks for)
#include "console/console.h"
#include "driver/command_line.h"

int main(int argc, char** argv) {
    ugraph::hold_standard_descriptors();
    return ugraph::run_command_line(argc, argv);
}
