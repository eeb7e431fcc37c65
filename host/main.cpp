#include "host/ProgramBlock.h"

int main(int argc, char** argv) { return kestrune::KestruneMain(argc, argv); }
