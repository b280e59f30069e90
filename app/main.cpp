// The game starts here once the device lands; until then the program does nothing.
int main() { return 0; }
