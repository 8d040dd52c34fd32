// placeholder until the maker lands
