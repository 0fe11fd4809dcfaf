// The benchmark's floor: a program that does nothing, so its time is start-up alone.
int main() { return 0; }
