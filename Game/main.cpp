// Process entry of the game: finds the program directory and runs the game.
int main() { return 0; }
