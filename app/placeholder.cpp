// placeholder until the app sources land
