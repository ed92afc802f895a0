// Placeholder translation unit until the engine lands.
