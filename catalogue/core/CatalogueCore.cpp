// Placeholder translation unit until the data layer lands.
