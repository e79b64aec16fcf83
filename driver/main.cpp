// Program entry (reads the command line and runs what it asks for)
#include "driver/command_line.h"

int main(int argc, char** argv) {
    return ugraph::run_command_line(argc, argv);
}
