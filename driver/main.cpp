// Program entry (runs the dialogue once)
#include "driver/main_dialogue.h"

int main() {
    ugraph::run_dialogue();
    return 0;
}
